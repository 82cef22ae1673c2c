#include "base/text_lines.h"

#include <algorithm>

namespace mondeliar {

TextLines::const_iterator::const_iterator(const std::string& text, std::size_t start)
    : text_(&text), start_(start), end_(start < text.size() ? text.find('\n', start) : start)
{
}

std::string_view TextLines::const_iterator::operator*() const
{
    return std::string_view(*text_).substr(start_, end_ - start_);
}

TextLines::const_iterator& TextLines::const_iterator::operator++()
{
    start_ = end_ + 1;
    end_ = start_ < text_->size() ? text_->find('\n', start_) : start_;
    return *this;
}

TextLines::TextLines(std::initializer_list<std::string_view> lines)
{
    for (std::string_view line : lines)
        push_back(line);
}

void TextLines::push_back(std::string_view line)
{
    text_.append(line);
    text_ += '\n';
    count_ += 1 + static_cast<std::size_t>(std::count(line.begin(), line.end(), '\n'));
}

void TextLines::clear()
{
    text_.clear();
    count_ = 0;
}

}  // namespace mondeliar
