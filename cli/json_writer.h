// Just enough JSON for --json: objects and arrays written as they are built.
#pragma once

#include <string>

namespace qcxcli {

class JsonWriter {
public:
    JsonWriter& BeginObject(const char* key = nullptr);
    JsonWriter& EndObject();
    JsonWriter& BeginArray(const char* key = nullptr);
    JsonWriter& EndArray();
    JsonWriter& Value(const char* key, long long value);
    JsonWriter& Value(const char* key, int value) { return Value(key, static_cast<long long>(value)); }
    JsonWriter& Value(const char* key, double value);
    JsonWriter& Value(const char* key, bool value);
    JsonWriter& Value(const char* key, const std::string& value);
    JsonWriter& Value(const char* key, const char* value) { return Value(key, std::string(value)); }
    JsonWriter& Null(const char* key);
    const std::string& text() const { return text_; }

private:
    void Key(const char* key);
    std::string text_;
    bool needComma_ = false;
};

std::string JsonQuoted(const std::string& text);

}  // namespace qcxcli
