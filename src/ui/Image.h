#pragma once
// A picture: a PNG resource of the program, an image file, or a bitmap the
// program draws into (with a Graphics on it).
#include "Color.h"

#include <memory>
#include <string>

class QImage;

class Image {
public:
    Image();
    // A 32-bit ARGB bitmap of the size, filled with the colour.
    Image(int width, int height, Color fill = Color(0x00000000));
    ~Image();
    Image(const Image& other);
    Image& operator=(const Image& other);

    // An image file (PNG, BMP, ...); nullptr when it does not load.
    static std::unique_ptr<Image> FromFile(const std::string& path);

    bool IsNull() const;
    int GetWidth() const;
    int GetHeight() const;
    // The pixel as 0xAARRGGBB (0 outside the image).
    Color GetPixel(int x, int y) const;
    bool Save(const std::string& path) const;

    // The layer's own access to the pixels.
    QImage& Data() { return *m_image; }
    const QImage& Data() const { return *m_image; }
    explicit Image(const QImage& image);

private:
    std::unique_ptr<QImage> m_image;
};

// The PNG resource ":/png/<id>.png" that the build drew and embedded; nullptr
// when the program has no image of that id.
std::unique_ptr<Image> LoadPngResource(int id);
