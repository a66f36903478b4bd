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

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view value);
    JsonWriter& Number(long long value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // Key followed by a value.
    template <typename T> JsonWriter& Field(std::string_view key, const T& value)
    {
        Key(key);
        return Value(value);
    }

private:
    JsonWriter& Value(std::string_view v) { return String(v); }
    JsonWriter& Value(const std::string& v) { return String(v); }
    JsonWriter& Value(const char* v) { return String(v); }
    JsonWriter& Value(bool v) { return Bool(v); }
    JsonWriter& Value(int v) { return Number(v); }
    JsonWriter& Value(long long v) { return Number(v); }
    JsonWriter& Value(std::size_t v) { return Number(static_cast<long long>(v)); }

    void Separate();

    std::ostream& out_;
    std::vector<bool> first_; // per open container: nothing written in it yet
    bool afterKey_ = false;
};

std::string JsonEscape(std::string_view text);

} // namespace velmora::syx
