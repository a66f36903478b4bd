// RtMidi's error reports, caught per thread, and the sound libraries kept
// quiet.
#include "midi/rtmidi/RtMidiReport.h"

#if defined(__linux__)
#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <mutex>
#endif

namespace velmora::midi::rtmidi {

// Where the call in progress on this thread wants RtMidi's report; null
// outside of Checked, and always on RtMidi's own threads.
static thread_local Report* tReport = nullptr;

void onRtMidiError(RtMidiError::Type type, const std::string& text, void* /*unused*/)
{
    if (type == RtMidiError::DEBUG_WARNING || tReport == nullptr || tReport->failed) {
        return;
    }
    tReport->failed = true;
    tReport->text = text;
}

ReportScope::ReportScope(Report& report) : outer_(std::exchange(tReport, &report)) {}

ReportScope::~ReportScope()
{
    tReport = outer_;
}

#if defined(__linux__)

static void ignoreAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/,
                              int /*err*/, const char* /*format*/, ...)
{}

static void ignoreJackMessage(const char* /*message*/) {}

void quietenSoundLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(&ignoreAlsaMessage);
        jack_set_error_function(&ignoreJackMessage);
        jack_set_info_function(&ignoreJackMessage);
    });
}

#endif // __linux__

} // namespace velmora::midi::rtmidi
