#pragma once

#include <QImage>
#include <QPoint>
#include <cstdint>

// The pixels of a planar 4:2:0 frame (I420): full-size luma, then the two
// chroma planes at half the width and height, rounded up.
struct I420Planes
{
    std::uint8_t* data[3] = {nullptr, nullptr, nullptr}; // Y, U, V
    int stride[3] = {0, 0, 0};
    int width = 0;
    int height = 0;
};

// Lays premultiplied ARGB pictures over I420 frames the way painting them over
// the frame's RGB picture and converting the result back would, without
// converting the rest of the frame. Luma is blended per pixel; each chroma
// sample takes the mean of the blend over the pixels it covers.
class I420Blend
{
public:
    // kr, kb: the luma weights of red and blue of the frame's colour matrix.
    // offset, scale: where black sits and how far the full swing goes, for
    // luma then the two chroma planes, in 8-bit steps (16/219 and 128/224 for
    // the usual limited range).
    I420Blend(double kr, double kb, const int offset[3], const int scale[3]);

    // BT.601 in limited range, what a frame without colour information gets.
    static I420Blend bt601();

    // Blends picture (ARGB32_Premultiplied) with its top-left pixel at `at` of
    // the frame. Parts outside the frame are left out; pixels of alpha 0
    // leave the frame as it was.
    void blend(const I420Planes& frame, const QImage& picture, QPoint at) const;

private:
    // Offsets in 8-bit steps; RGB weights in 1/65536 of a step per step of a premultiplied channel.
    int offset_[3];
    int weight_[3][3];
};
