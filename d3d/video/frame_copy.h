// Copying a decoded video frame (a packed 24-bit DIB) into a locked texture
// surface of 16 or 32 bits.
#pragma once

#include <ddraw.h>
#include <windows.h>

// Where a colour channel lies in a pixel: the shift of its mask's lowest bit
// and the bits its 8-bit value loses (8 minus the mask's bits).
struct ChannelPlace {
    int shift = 0;
    int loss = 0;
    DWORD mask = 0;

    explicit ChannelPlace(DWORD mask);
    DWORD place(BYTE value) const;
};

// Copies the top-left part of `frame` that fits both the surface and the
// video (`videoWidth` × `videoHeight`). Only 24-bit frames are copied; 16-
// and 32-bit surfaces are written, others are left alone. Source pixels
// start 44 bytes into the frame and rows are 3 × `videoWidth` bytes apart,
// in the order the bitmap stores them.
void copyVideoFrame(const BYTE* frame, int videoWidth, int videoHeight,
                    const DDSURFACEDESC2& surface);
