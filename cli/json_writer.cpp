#include "cli/json_writer.h"

#include <cstdio>

namespace qcxcli {

std::string JsonQuoted(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void JsonWriter::Key(const char* key) {
    if (needComma_) text_ += ", ";
    if (key != nullptr) text_ += JsonQuoted(key) + ": ";
    needComma_ = true;
}

JsonWriter& JsonWriter::BeginObject(const char* key) {
    Key(key);
    text_ += '{';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    text_ += '}';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::BeginArray(const char* key) {
    Key(key);
    text_ += '[';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    text_ += ']';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Value(const char* key, long long value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Value(const char* key, double value) {
    Key(key);
    char number[40];
    std::snprintf(number, sizeof number, "%.6g", value);
    text_ += number;
    return *this;
}

JsonWriter& JsonWriter::Value(const char* key, bool value) {
    Key(key);
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Value(const char* key, const std::string& value) {
    Key(key);
    text_ += JsonQuoted(value);
    return *this;
}

JsonWriter& JsonWriter::Null(const char* key) {
    Key(key);
    text_ += "null";
    return *this;
}

}  // namespace qcxcli
