#include "velmora-syx/Json.h"

#include <cstdio>

namespace velmora::syx {

std::string jsonEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += ch;
            }
        }
    }
    return out;
}

void JsonWriter::separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back())
            out_ << ',';
        first_.back() = false;
    }
}

JsonWriter& JsonWriter::beginObject()
{
    separate();
    out_ << '{';
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    out_ << '}';
    first_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    separate();
    out_ << '[';
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::endArray()
{
    out_ << ']';
    first_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view key)
{
    separate();
    out_ << '"' << jsonEscape(key) << "\":";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view value)
{
    separate();
    out_ << '"' << jsonEscape(value) << '"';
    return *this;
}

JsonWriter& JsonWriter::number(long long value)
{
    separate();
    out_ << value;
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value)
{
    separate();
    out_ << (value ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::null()
{
    separate();
    out_ << "null";
    return *this;
}

} // namespace velmora::syx
