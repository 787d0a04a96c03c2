// The JPEG writer: a BMP file on disk becomes a baseline JPEG file at quality 75.
#pragma once

// Low 16 bits non-zero on success. A failure leaves no file at `jpegPath`
// (an existing one is kept).
int SaveJPEG(const char* bmpPath, const char* jpegPath);
