#include "Image.h"

#include <QFile>
#include <QImage>
#include <QString>

// The generated images live in a static library; their resource table must be
// registered by hand.
static void RegisterImageResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(brelk_images);
        return true;
    }();
    (void)done;
}

Image::Image() : m_image(std::make_unique<QImage>()) {}

Image::Image(int width, int height, Color fill)
    : m_image(
          std::make_unique<QImage>(width > 0 ? width : 0, height > 0 ? height : 0, QImage::Format_ARGB32_Premultiplied))
{
    m_image->fill(QColor::fromRgba(fill.GetValue()));
}

Image::Image(const QImage& image) : m_image(std::make_unique<QImage>(image)) {}

Image::~Image() = default;

Image::Image(const Image& other) : m_image(std::make_unique<QImage>(*other.m_image)) {}

Image& Image::operator=(const Image& other)
{
    *m_image = *other.m_image;
    return *this;
}

std::unique_ptr<Image> Image::FromFile(const std::string& path)
{
    QImage image(QString::fromStdString(path));
    if (image.isNull())
        return nullptr;
    return std::make_unique<Image>(image);
}

bool Image::IsNull() const { return m_image->isNull(); }
int Image::GetWidth() const { return m_image->width(); }
int Image::GetHeight() const { return m_image->height(); }

Color Image::GetPixel(int x, int y) const
{
    if (!m_image->valid(x, y))
        return Color(0u);
    return Color(m_image->pixel(x, y));
}

bool Image::Save(const std::string& path) const { return m_image->save(QString::fromStdString(path)); }

std::unique_ptr<Image> LoadPngResource(int id)
{
    RegisterImageResources();
    QString name = QStringLiteral(":/png/%1.png").arg(id);
    if (id <= 0 || !QFile::exists(name))
        return nullptr;
    QImage image(name);
    if (image.isNull())
        return nullptr;
    return std::make_unique<Image>(image);
}
