// The checksum that guards a database file: a 64-bit hash of the bytes, read
// eight at a time in four lanes, so that it runs at memory speed over large
// files.  Any change of one byte, and almost any larger damage, changes it.
// Beside it, the random numbers that tell files and log generations apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mls::tsql::storage {

uint64_t checksum64(std::span<const uint8_t> bytes);

// 64 random bits, never 0 (a log generation's salt, a file's identity): no
// other file or generation is likely to draw the same.
uint64_t randomNumber();

}  // namespace mls::tsql::storage
