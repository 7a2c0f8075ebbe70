#include "analysis/JsonWriter.h"

#include <QString>

#include <charconv>
#include <cmath>
#include <cstdio>

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

void JsonWriter::beginObject()
{
    separate();
    out_ << '{';
    first_.push_back(true);
}

void JsonWriter::endObject()
{
    first_.pop_back();
    out_ << '}';
}

void JsonWriter::beginArray()
{
    separate();
    out_ << '[';
    first_.push_back(true);
}

void JsonWriter::endArray()
{
    first_.pop_back();
    out_ << ']';
}

void JsonWriter::key(std::string_view name)
{
    value(name);
    out_ << ':';
    afterKey_ = true;
}

void JsonWriter::value(long long number)
{
    separate();
    out_ << number;
}

void JsonWriter::value(std::string_view text)
{
    separate();
    // Bytes that are not UTF-8 (an 8-bit movie name) become U+FFFD so the output stays valid.
    const QByteArray utf8 = QString::fromUtf8(text.data(), static_cast<int>(text.size())).toUtf8();
    out_ << '"';
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out_ << "\\\"";
            break;
        case '\\':
            out_ << "\\\\";
            break;
        case '\n':
            out_ << "\\n";
            break;
        case '\r':
            out_ << "\\r";
            break;
        case '\t':
            out_ << "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out_ << escaped;
            } else {
                out_ << c;
            }
        }
    }
    out_ << '"';
}

void JsonWriter::null()
{
    separate();
    out_ << "null";
}

std::string fixedNumber(double value, int decimals)
{
    // The C library's printf would take the user's decimal comma.
    char text[48];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ec == std::errc() ? result.ptr : text);
}

void JsonWriter::number(double value, int decimals)
{
    separate();
    if (!std::isfinite(value)) {
        out_ << "null";
        return;
    }
    out_ << fixedNumber(value, decimals);
}

void JsonWriter::boolean(bool value)
{
    separate();
    out_ << (value ? "true" : "false");
}
