// RtMidi reports problems either by throwing or by printing to stderr. Every
// RtMidi object Velmora makes gets onRtMidiError as its error callback, which
// records the report for the call in progress on the calling thread; Checked
// runs a call and hands back whatever was reported, either way. The sound
// libraries underneath are kept quiet too, so a missing ALSA device or JACK
// server prints nothing.
#pragma once

#include <RtMidi.h>

#include <optional>
#include <string>
#include <utility>

namespace velmora::midi::rtmidi {

// The report RtMidi gave during the call in progress on this thread. Reports
// made on RtMidi's own threads (there is no call in progress there) are
// dropped: nobody could act on them.
struct Report
{
    bool failed = false;
    std::string text;
};

// RtMidi's error callback: records the first report into this thread's Report.
void onRtMidiError(RtMidiError::Type type, const std::string& text, void* unused);

// Points this thread's reports at `report` for the scope's lifetime.
class ReportScope
{
public:
    explicit ReportScope(Report& report);
    ReportScope(const ReportScope&) = delete;
    ReportScope& operator=(const ReportScope&) = delete;
    ~ReportScope();

private:
    Report* outer_;
};

// Runs `call` and returns RtMidi's report of a failure, thrown or called back.
template <typename Call> std::optional<std::string> checked(Call&& call)
{
    Report report;
    {
        const ReportScope scope(report);
        try {
            std::forward<Call>(call)();
        } catch (const RtMidiError& error) {
            if (!report.failed) {
                report.failed = true;
                report.text = error.getMessage();
            }
        }
    }
    if (!report.failed) {
        return std::nullopt;
    }
    return std::move(report.text);
}

#if defined(__linux__)
// alsa-lib and libjack print their failures to stderr by default (a missing
// /dev/snd/seq, no JACK server). Velmora reports problems itself. Call before
// the first use of either library; later calls do nothing.
void quietenSoundLibraries();
#endif

} // namespace velmora::midi::rtmidi
