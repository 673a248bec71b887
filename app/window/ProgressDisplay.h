#pragma once

#include <windows.h>

#include <cstdint>

// The controls of the main dialog that show the progress; the dialog sets them when it is
// initialised.
extern HWND byteCountLabel;
extern HWND totalLabel;
extern HWND progressBar;

// UM_PROGRESS: the bytes received so far, the total size once per job (total 0: unknown), and the
// bar's position on its scale of 0 to 5000 (the middle while the total is unknown).
void ShowProgress(std::uint64_t total, std::uint64_t received);

// UM_STATUS: the bytes hashed so far. The bar and the total stay as they are.
void ShowByteCount(std::uint64_t done);

// The bar's position for a count out of a total, truncated and at most the end of the scale;
// 2500 when the total is unknown.
std::int64_t ProgressPosition(std::uint64_t total, std::uint64_t received);
