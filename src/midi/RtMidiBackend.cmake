# The RtMidi backend of MidiBackend.h. Needs PkgConfig::RTMIDI:
#   find_package(PkgConfig REQUIRED)
#   pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
# On Linux it also talks to JACK and the ALSA sequencer directly (to find out
# whether they are running, to keep them quiet and to notice ports that
# vanish); their development files come with RtMidi's.
# Its pieces live in rtmidi/; their headers are for each other only.
add_library(velmora_rtmidi STATIC
    ${CMAKE_CURRENT_LIST_DIR}/rtmidi/ApiAccess.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rtmidi/PortPresence.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rtmidi/RtMidiApis.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rtmidi/RtMidiBackend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rtmidi/RtMidiPorts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rtmidi/RtMidiReport.cpp
)
target_include_directories(velmora_rtmidi PUBLIC ${CMAKE_CURRENT_LIST_DIR}
                                          PRIVATE ${CMAKE_CURRENT_LIST_DIR}/rtmidi)
target_link_libraries(velmora_rtmidi PRIVATE PkgConfig::RTMIDI velmora_warnings)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(VELMORA_RTMIDI_JACK REQUIRED IMPORTED_TARGET jack)
    pkg_check_modules(VELMORA_RTMIDI_ALSA REQUIRED IMPORTED_TARGET alsa)
    target_link_libraries(velmora_rtmidi PRIVATE PkgConfig::VELMORA_RTMIDI_JACK PkgConfig::VELMORA_RTMIDI_ALSA)
endif()
