#pragma once

// Names in a document line (type names, instance names): words separated
// by white space. A name that could not be read back as one word is written
// between double quotes; every name the program makes up is written plain.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

// Reads one word after skipping white space: either up to the next white
// space (left in the input), or, when it starts with a double quote, the
// text up to the closing quote (consumed). Returns false, with `word`
// undefined, when the input ends first (the stream fails), when the word is
// longer than `maxLength` characters, or when a quoted word exceeds 99
// characters (the stream stays good: the whole word has been consumed).
bool ReadDocumentWord(std::istream& is, std::string& word, std::size_t maxLength);

// Writes the word plain, or quoted when it is empty, holds white space or
// starts with a double quote.
void WriteDocumentWord(std::ostream& os, std::string_view word);
