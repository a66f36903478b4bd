#include "common/ErrorReporter.h"

#include <exception>

namespace velmora {

bool ErrorReporter::run(const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        // The devices word their errors in the system's encoding.
        report(QString::fromLocal8Bit(e.what()));
        return false;
    }
}

void ErrorReporter::report(const QString& text)
{
    emit errorReported(text);
}

} // namespace velmora
