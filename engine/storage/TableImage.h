// The pieces of the table image that are built or inspected outside the
// record store: field description entries, the image of an empty table,
// and the password block of an enciphered image. The byte grammar and the
// record store's own reader and writer are in TableImage.cpp; everything
// that puts a header or a field description into bytes goes through here,
// so that there is one encoding of each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/RidovField.h"

namespace ridov {

// A reader refuses a longer field description section, so a writer must
// never produce one.
constexpr int32_t kMaxDescriptionLength = 99999;
// ImageSize is an unsigned 32-bit count: no image is longer, and a file
// that is cannot be a table.
constexpr uint64_t kMaxImageSize = 0xFFFFFFFF;
// The comment section's length is a signed 16-bit count.
constexpr size_t kMaxCommentLength = 32767;
// Bytes of the password block of an enciphered ("P") image.
constexpr size_t kPasswordBlockSize = 40;
// The largest declared size a "String" entry ("s" and digits) may carry.
constexpr int kMaxDeclaredSize = 32767;

// The type part of an entry: the letter, and for a String the size digits.
// A SmallStr is written by its size letter ("0"-"9", "A"-"Z"); an Unknown
// field as a bare "s".
// REQUIRES: a SmallStr's size is 0..35 and a String's 0..32767.
std::string TypeLetters(FieldType type, int declaredSize);

// Appends the entry of `field` and its 0x12 terminator to `section`:
// qualifier, ".", name, " ", type letters, and "~" default "~" extra when
// either is set. Every blank or control byte of the name becomes "_" (a
// space would end the name, 0x12 or 0x14 the entry or the section) and an
// empty name is written "_".
void AppendDescriptionEntry(std::string& section, const TRidovField& field);

// The whole section for `fields`, with its closing 0x14.
std::string DescriptionSection(std::span<const TRidovField* const> fields);

// Reads one entry (without its terminator) into the qualifier, name, type,
// declared size, slot size, alignment, default and extra text of `field`.
// False with the reader's message when the entry cannot be read.
[[nodiscard]] bool ParseDescriptionEntry(std::string_view entry, TRidovField& field,
                                         std::string& message);

// A section longer than a reader accepts gives this message: what is too
// long and by how much.
std::string DescriptionTooLongMessage(size_t length);

// Builds the plain image of a table with `fields` and no records and no
// comment: header, then the description section. False with a message
// when a field's size cannot be written or the section would be longer
// than kMaxDescriptionLength; `image` is then left empty.
[[nodiscard]] bool EmptyTableImage(std::span<const TRidovField> fields, std::vector<uint8_t>& image,
                                   std::string& message);

// True when `image` starts as a plain ("S") image does: its bytes are read
// as they stand, with no password and no deciphering in place.
bool IsPlainImage(std::span<const uint8_t> image);

// Copies the password block of an enciphered image as it stands in the
// image (still enciphered with the table password). False when the image
// is not a "P" image or is too short to hold the block.
bool PasswordBlockOf(std::span<const uint8_t> image, uint8_t (&block)[kPasswordBlockSize]);

}  // namespace ridov
