#pragma once

#include <cstdint>
#include <vector>

// Sorts order by key (key[i] belongs to order[i]; both are permuted
// together), keeping rows of equal keys in their order: a radix sort by 11
// bits at a time that skips the digits all keys share. The one sort of the
// datasets' rows (Dataset::sort), and the floor its benchmark is held to.
// The two vectors must be of one size. Never fails (but for memory).
void radixSort(std::vector<std::uint32_t> &order, std::vector<std::uint64_t> &key);
