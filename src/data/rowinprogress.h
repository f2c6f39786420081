#pragma once

#include "dataset.h"

// A row being started on a dataset and preset before its dialog shows:
// appended (or put into editing) when made, and cancelled when it goes out
// of scope unless keep() was called, so that a preset that fails half-way
// leaves nothing pending. The pattern of a transaction object:
//
//     RowInProgress row(ledger);    // append
//     ...set the presets...         // may throw
//     row.keep();                   // the row stays for the dialog
class RowInProgress
{
public:
    enum class Start { Append, Edit };

    // Appends a row to dataset (or puts the current one into editing).
    // Throws what Dataset::append() or edit() throws.
    explicit RowInProgress(Dataset *dataset, Start start = Start::Append)
        : m_dataset(dataset)
    {
        if (start == Start::Append)
            dataset->append();
        else
            dataset->edit();
    }
    ~RowInProgress()
    {
        if (m_kept)
            return;
        try {
            m_dataset->cancel();
        } catch (...) { // a cancel that fails leaves the first failure to be told
        }
    }
    RowInProgress(const RowInProgress &) = delete;
    RowInProgress &operator=(const RowInProgress &) = delete;

    void keep() { m_kept = true; }

private:
    Dataset *m_dataset;
    bool m_kept = false;
};
