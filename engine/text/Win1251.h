// Windows-1251 text: conversion to and from Unicode, Russian upper-casing and
// an alphabetical case-insensitive comparison.
//
// The engine keeps every text as Windows-1251 bytes in std::string; conversion
// to Unicode happens only where text leaves the engine (terminal, GUI).
// All functions are pure and thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace text {

// UTF-8 -> Windows-1251. A character the code page lacks (and any malformed
// UTF-8 sequence) becomes '?'.
std::string Utf8ToCp1251(std::string_view utf8);
// Windows-1251 -> UTF-8. Every byte maps to a character (0x98 -> U+FFFD is
// avoided: it maps to '?' since the code page leaves it undefined).
std::string Cp1251ToUtf8(std::string_view cp1251);
std::u16string Cp1251ToUtf16(std::string_view cp1251);
std::string Utf16ToCp1251(std::u16string_view utf16);

// Upper case of one byte by Russian rules: a-z, а-я and ё (0xB8 -> 0xA8),
// and likewise the other Cyrillic letters of the code page (ў, і, ї, є, ґ,
// ј, ѕ, љ, њ, ђ, ѓ, ќ, ћ, џ). Other bytes are returned unchanged.
char UpperChar(char c);
std::string Upper(std::string_view s);
void UpperInPlace(std::string& s);

// True when the two texts are equal ignoring case (Russian upper-casing).
bool EqualNoCase(std::string_view a, std::string_view b);

// Case-insensitive comparison in Russian alphabetical order: letters compare
// without regard to case, Ё/ё sorts between Е and Ж (the code page puts it
// before А), Latin letters before Cyrillic, and other characters before
// letters, among themselves by byte value. The non-Russian Cyrillic letters
// follow the Russian letter they resemble (Ґ after Г, І and Ї after И, Ў
// after У, ...). Bytes compare one by one; when the shorter text is a prefix
// of the longer, the shorter sorts first. Returns <0, 0 or >0. Equal ignoring
// case means 0.
int CompareNoCase(std::string_view a, std::string_view b);
// The same order over the first n bytes of two buffers of length n.
int CompareNoCaseN(const char* a, const char* b, size_t n);

}  // namespace text
