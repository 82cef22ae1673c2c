#pragma once
// The lines of a text of any length, such as the user's extra HTML. They are kept in one
// string, each followed by "\n", so a text of many short lines costs a byte per line and not
// a string object per line: a file of nothing but line ends is held at its own size.

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

namespace mondeliar {

class TextLines {
public:
    // Walks the lines in order, each without its line end.
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = const std::string_view*;
        using reference = std::string_view;

        const_iterator(const std::string& text, std::size_t start);
        std::string_view operator*() const;
        const_iterator& operator++();
        bool operator==(const const_iterator& other) const { return start_ == other.start_; }
        bool operator!=(const const_iterator& other) const { return start_ != other.start_; }

    private:
        const std::string* text_;
        std::size_t start_;
        std::size_t end_;  // the line end after the line
    };

    TextLines() = default;
    TextLines(std::initializer_list<std::string_view> lines);

    // Adds a line at the end. A "\n" inside `line` starts a further line there.
    void push_back(std::string_view line);
    void clear();
    // Room for lines of `bytes` characters in all, line ends included.
    void reserve(std::size_t bytes) { text_.reserve(bytes); }

    bool empty() const { return text_.empty(); }
    std::size_t size() const { return count_; }
    const_iterator begin() const { return {text_, 0}; }
    const_iterator end() const { return {text_, text_.size()}; }

    // Every line followed by "\n".
    const std::string& Joined() const { return text_; }

    bool operator==(const TextLines& other) const { return text_ == other.text_; }
    bool operator!=(const TextLines& other) const { return text_ != other.text_; }

private:
    std::string text_;
    std::size_t count_ = 0;
};

}  // namespace mondeliar
