#include "framework/document_word.h"

#include <algorithm>
#include <istream>
#include <ostream>

namespace {

constexpr std::size_t QuotedWordLimit = 99;

bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

bool ReadDocumentWord(std::istream& is, std::string& word, std::size_t maxLength) {
    word.clear();
    is >> std::ws;
    int c = is.peek();
    if (c == std::char_traits<char>::eof()) {
        is.setstate(std::ios_base::failbit);
        return false;
    }
    // An over-long word is consumed whole but kept only up to one
    // character past the limit, which is enough to refuse it.
    if (c == '"') {
        const std::size_t limit = std::min(maxLength, QuotedWordLimit);
        is.get();
        while ((c = is.get()) != '"') {
            if (c == std::char_traits<char>::eof())
                return false;
            if (word.size() <= limit)
                word.push_back(static_cast<char>(c));
        }
        return word.size() <= limit;
    }
    while ((c = is.peek()) != std::char_traits<char>::eof() && !IsSpace(c)) {
        is.get();
        if (word.size() <= maxLength)
            word.push_back(static_cast<char>(c));
    }
    return word.size() <= maxLength;
}

void WriteDocumentWord(std::ostream& os, std::string_view word) {
    bool quote = word.empty() || word.front() == '"';
    for (const char c : word)
        quote = quote || IsSpace(static_cast<unsigned char>(c));
    if (quote)
        os << '"' << word << '"';
    else
        os << word;
}
