// A small JSON writer for the tool's --json output: keys keep the order in
// which they are written, and strings are escaped byte by byte (bytes of 80
// and above are taken as Latin-1 characters, as patch names may hold any byte).
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::syx {

class JsonWriter
{
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view key);
    JsonWriter& string(std::string_view value);
    JsonWriter& number(long long value);
    JsonWriter& boolean(bool value);
    JsonWriter& null();

    // Key followed by a value.
    template <typename T> JsonWriter& field(std::string_view key, const T& value)
    {
        this->key(key);
        return this->value(value);
    }

private:
    JsonWriter& value(std::string_view v) { return string(v); }
    JsonWriter& value(const std::string& v) { return string(v); }
    JsonWriter& value(const char* v) { return string(v); }
    JsonWriter& value(bool v) { return boolean(v); }
    JsonWriter& value(int v) { return number(v); }
    JsonWriter& value(long long v) { return number(v); }
    JsonWriter& value(std::size_t v) { return number(static_cast<long long>(v)); }

    void separate();

    std::ostream& out_;
    std::vector<bool> first_; // per open container: nothing written in it yet
    bool afterKey_ = false;
};

std::string jsonEscape(std::string_view text);

} // namespace velmora::syx
