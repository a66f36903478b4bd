# The RtMidi backend of MidiBackend.h. Needs PkgConfig::RTMIDI:
#   find_package(PkgConfig REQUIRED)
#   pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
# On Linux it also talks to JACK and the ALSA sequencer directly (to find out
# whether they are running, to keep them quiet and to notice ports that
# vanish); their development files come with RtMidi's.
add_library(velmora_rtmidi STATIC ${CMAKE_CURRENT_LIST_DIR}/RtMidiBackend.cpp)
target_include_directories(velmora_rtmidi PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(velmora_rtmidi PRIVATE PkgConfig::RTMIDI velmora_warnings)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(VELMORA_RTMIDI_JACK REQUIRED IMPORTED_TARGET jack)
    pkg_check_modules(VELMORA_RTMIDI_ALSA REQUIRED IMPORTED_TARGET alsa)
    target_link_libraries(velmora_rtmidi PRIVATE PkgConfig::VELMORA_RTMIDI_JACK PkgConfig::VELMORA_RTMIDI_ALSA)
endif()
