// File dialogs that answer from a script: each Open or Save takes the next
// answer (a file and filter, or a cancel) and keeps the request it got.
#pragma once

#include "library/FileDialogs.h"

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

    void answer(const std::string& path, int filter = 0)
    {
        answers.push_back(library::FileChoice{QString::fromStdString(path), filter});
    }
    void cancel() { answers.push_back(std::nullopt); }

    std::deque<std::optional<library::FileChoice>> answers;
    std::vector<library::FileRequest> requests;

private:
    std::optional<library::FileChoice> next(const library::FileRequest& request)
    {
        requests.push_back(request);
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace velmora::test
