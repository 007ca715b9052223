// Photos through Exiv2: the picture's size, the EXIF date of the original, the camera and the
// GPS position.
#include "detailshelper/detailsreaders.h"

#include <exiv2/bmffimage.hpp>
#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>

namespace {
bool FindLong(const Exiv2::ExifData& exif, const char* key, long& value) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() == 0) return false;
    value = it->toLong(0);
    return it->value().ok();
}

std::string FindText(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() == 0) return {};
    return Trimmed(it->toString());
}

// Degrees, minutes and seconds as three rationals, negative toward south or west.
bool FindDegrees(const Exiv2::ExifData& exif, const char* key, const char* refKey, double& degrees) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() < 1) return false;
    double value = 0, scale = 1;
    for (long i = 0; i < std::min<long>(it->count(), 3); ++i) {
        const Exiv2::Rational r = it->toRational(i);
        if (r.second == 0) return false;
        value += double(r.first) / double(r.second) / scale;
        scale *= 60;
    }
    const std::string ref = FindText(exif, refKey);
    if (!ref.empty() && (ref[0] == 'S' || ref[0] == 'W')) value = -value;
    degrees = value;
    return true;
}

} // namespace

// Exiv2 also opens video containers (RIFF, Matroska, QuickTime, ASF) as images, and its parsers
// of those can loop on a damaged file: they are left to libavformat.
bool IsPhotoType(int type) {
    namespace T = Exiv2::ImageType;
    for (int photo : {T::jpeg, T::exv, T::cr2, T::crw, T::tiff, T::mrw, T::orf, T::png, T::raf,
                      T::rw2, T::bmff, T::webp})
        if (type == photo) return true;
    return false;
}

TDetailPairs ReadPhotoDetails(const std::string& path) {
    TDetailPairs pairs;
    if (!IsPhotoType(Exiv2::ImageFactory::getType(path))) return pairs;
    auto image = Exiv2::ImageFactory::open(path);
    if (!image.get()) return pairs;
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    long width = image->pixelWidth(), height = image->pixelHeight();
    if (width <= 0 || height <= 0) {
        long w = 0, h = 0;
        if ((FindLong(exif, "Exif.Photo.PixelXDimension", w) && FindLong(exif, "Exif.Photo.PixelYDimension", h)) ||
            (FindLong(exif, "Exif.Image.ImageWidth", w) && FindLong(exif, "Exif.Image.ImageLength", h))) {
            width = w;
            height = h;
        }
    }
    long orientation = 0;
    const bool oriented = FindLong(exif, "Exif.Image.Orientation", orientation) && orientation >= 1 &&
                          orientation <= 8;
    // Orientations 5 to 8 turn the picture by a quarter: it is shown with the sides swapped.
    if (oriented && orientation >= 5) std::swap(width, height);
    if (width > 0 && height > 0) {
        pairs.emplace_back("width", DetailNumber(width));
        pairs.emplace_back("height", DetailNumber(height));
    }
    if (std::string taken = FindText(exif, "Exif.Photo.DateTimeOriginal"); !taken.empty())
        pairs.emplace_back("taken", TakenText(taken));
    if (std::string make = FindText(exif, "Exif.Image.Make"); !make.empty())
        pairs.emplace_back("make", make);
    if (std::string model = FindText(exif, "Exif.Image.Model"); !model.empty())
        pairs.emplace_back("model", model);
    double latitude = 0, longitude = 0;
    if (FindDegrees(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef", latitude) &&
        FindDegrees(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef", longitude)) {
        pairs.emplace_back("latitude", DetailNumber(latitude, 6));
        pairs.emplace_back("longitude", DetailNumber(longitude, 6));
    }
    if (oriented) pairs.emplace_back("orientation", DetailNumber(orientation));
    return pairs;
}
