#pragma once

class TStream;
class TBitmap;

// Windows BMP files, read from and written at the stream's position.

// Raises EInvalidGraphic "Bitmap image is not valid" for anything that is not a readable bitmap.
void ReadBitmapFile(TStream& stream, TBitmap& bitmap);
// 1, 4 and 8 bits with their palette, pf15bit as 16-bit words, pf16bit with its 5-6-5 bit fields,
// 24 bits, and 32 bits (also for pfDevice); rows bottom-up.
void WriteBitmapFile(TStream& stream, const TBitmap& bitmap);
