// File dialogs that answer from a script: each Open or Save takes the next
// answer (a file and filter, or a cancel) and keeps the request it got. The
// questions and notes of a file read are kept in `told`, in order, marked by
// their kind ("checksums: ", "choose: ", "yes/no: ", "inform: "); they take
// their answers from their own scripts, or the interface's defaults when
// those run out.
#pragma once

#include "library/FileDialogs.h"

#include <QStringList>

#include <deque>
#include <string>
#include <vector>

namespace velmora::test {

class FakeFileDialogs : public library::FileDialogs
{
public:
    std::optional<library::FileChoice> open(const library::FileRequest& request) override
    {
        return next(request);
    }
    std::optional<library::FileChoice> save(const library::FileRequest& request) override
    {
        return next(request);
    }
    library::BadChecksumAnswer askBadChecksums(const QString& question) override
    {
        told << "checksums: " + question;
        return checksumAnswers.empty() ? FileDialogs::askBadChecksums(question)
                                       : take(checksumAnswers);
    }
    std::optional<int> choose(const QString& question, const QStringList& choices) override
    {
        told << "choose: " + question + " [" + choices.join('|') + "]";
        return choices_.empty() ? FileDialogs::choose(question, choices) : take(choices_);
    }
    bool askYesNo(const QString& question) override
    {
        told << "yes/no: " + question;
        return yesNo.empty() ? FileDialogs::askYesNo(question) : take(yesNo);
    }
    void inform(const QString& text) override { told << "inform: " + text; }

    void answer(const std::string& path, int filter = 0)
    {
        answers.push_back(library::FileChoice{QString::fromStdString(path), filter});
    }
    void cancel() { answers.push_back(std::nullopt); }
    void pick(std::optional<int> choice) { choices_.push_back(choice); }

    std::deque<std::optional<library::FileChoice>> answers;
    std::vector<library::FileRequest> requests;
    std::deque<library::BadChecksumAnswer> checksumAnswers;
    std::deque<bool> yesNo;
    QStringList told;

private:
    std::optional<library::FileChoice> next(const library::FileRequest& request)
    {
        requests.push_back(request);
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    template <typename T> static T take(std::deque<T>& script)
    {
        T value = script.front();
        script.pop_front();
        return value;
    }

    std::deque<std::optional<int>> choices_;
};

} // namespace velmora::test
