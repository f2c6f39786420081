#pragma once

#include <QString>

// Ledger files for the benchmarks: n entries dated evenly over twenty years
// from 2006-01-01, with the items, details, accounts and operators a household
// uses and remarks of which about half are empty.

// Writes such a file at path with the given cipher page size.
void generate(const QString &path, int n, int pageSize);
// The file for n entries and a page size, generated once per run in a
// temporary folder, or kept in the folder DOZ_BENCH_DIR names and used again
// by later runs.
QString ledgerFile(int n, int pageSize);
