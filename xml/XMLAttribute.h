#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// One attribute as an element hands it out: a name and a value that may be
// absent, both pointing into the element's document.
class XMLAttribute {
public:
    XMLAttribute(std::string_view name, std::string_view value)
        : name_(name.data() != nullptr ? name : std::string_view("", 0)),
          value_(value.data() != nullptr ? value.data() : ""), valueSize_(value.size())
    {}
    XMLAttribute(std::string_view name, std::optional<std::string_view> value)
        : XMLAttribute(name, value.value_or(std::string_view()))
    {
        if (!value)
            value_ = nullptr;
    }

    std::string_view name() const { return name_; }
    bool hasValue() const { return value_ != nullptr; }
    std::optional<std::string_view> value() const
    {
        return value_ != nullptr ? std::optional<std::string_view>(std::string_view(value_, valueSize_)) : std::nullopt;
    }
    // The value, with an absent value read as the empty string.
    std::string_view text() const { return {value_ ? value_ : "", valueSize_}; }

private:
    std::string_view name_;
    const char* value_;
    std::size_t valueSize_;
};

// Byte-wise order of names: unsigned bytes, shorter prefix first. Names
// mostly differ in their first byte, which is compared inline.
inline bool attributeNameLess(std::string_view a, std::string_view b)
{
    if (!a.empty() && !b.empty() && a[0] != b[0])
        return static_cast<unsigned char>(a[0]) < static_cast<unsigned char>(b[0]);
    return a < b;  // std::char_traits<char>::compare compares as unsigned char
}
