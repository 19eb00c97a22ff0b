#pragma once

// Pictures with the content that JPEG encoders meet in screenshots: flat
// areas, text, gradients and noise, drawn deterministically.

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cstdint>
#include <string>

namespace vitrix::test {

// A small pseudo-random generator, the same on every run.
class SampleNoise {
 public:
  explicit SampleNoise(uint32_t seed) : state_(seed * 2654435761u + 1) {}
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }

 private:
  uint32_t state_;
};

// Mixed content in four quarters: flat colour with a frame, text lines, a
// diagonal gradient and noise. Sizes down to 1x1 work.
inline QImage VariedSampleImage(int width, int height, uint32_t seed = 1) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(0x2B, 0x57, 0x9A));
  const int half_w = (width + 1) / 2, half_h = (height + 1) / 2;
  {
    QPainter painter(&image);
    QLinearGradient gradient(half_w, 0, width, half_h);
    gradient.setColorAt(0, QColor(255, 40, 0));
    gradient.setColorAt(1, QColor(0, 200, 255));
    painter.fillRect(half_w, 0, width - half_w, half_h, gradient);
    painter.fillRect(0, half_h, half_w, height - half_h, Qt::white);
    painter.setPen(Qt::black);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(std::max(6, std::min(14, height / 4)));
    painter.setFont(font);
    for (int y = half_h + 12, line = 0; y < height; y += 16, ++line) {
      painter.drawText(4, y, QStringLiteral("Ligne %1 : le texte d'une capture").arg(line));
    }
    painter.setPen(QColor(255, 255, 0));
    painter.drawRect(1, 1, std::max(0, half_w - 3), std::max(0, half_h - 3));
  }
  SampleNoise noise(seed);
  for (int y = half_h; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = half_w; x < width; ++x) row[x] = 0xFF000000u | (noise.Next() & 0xFFFFFFu);
  }
  if (width == 1 && height == 1) image.setPixel(0, 0, qRgb(200, 30, 90));
  return image;
}

// A desktop-like screenshot: title bars, toolbars, windows full of text, a
// photo-like area and a taskbar.
inline QImage ScreenshotSampleImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient wallpaper(0, 0, width, height);
  wallpaper.setColorAt(0, QColor(24, 60, 110));
  wallpaper.setColorAt(1, QColor(90, 140, 190));
  painter.fillRect(image.rect(), wallpaper);
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(13);
  painter.setFont(font);
  const int windows = 3;
  for (int w = 0; w < windows; ++w) {
    const QRect frame(width * w / 5 + 20, height * w / 8 + 20, width * 3 / 5, height * 3 / 5);
    painter.fillRect(frame, QColor(245, 245, 245));
    painter.fillRect(frame.x(), frame.y(), frame.width(), 28, QColor(60, 90, 160));
    painter.fillRect(frame.x(), frame.y() + 28, frame.width(), 30, QColor(225, 225, 225));
    painter.setPen(Qt::white);
    painter.drawText(frame.x() + 8, frame.y() + 19, QStringLiteral("Forum - sujet %1 - navigateur").arg(w + 1));
    painter.setPen(QColor(30, 30, 30));
    for (int y = frame.y() + 76, line = 0; y < frame.bottom() - 8; y += 18, ++line) {
      painter.drawText(
          frame.x() + 12, y,
          QStringLiteral("Message %1 : voici la capture d'\u00e9cran, regardez le coin en haut.").arg(line));
    }
  }
  const QRect photo(width * 2 / 3, height / 2, width / 4, height / 3);
  painter.end();
  SampleNoise noise(7);
  for (int y = photo.top(); y <= photo.bottom() && y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = photo.left(); x <= photo.right() && x < width; ++x) {
      const int n = static_cast<int>(noise.Next() % 24);
      row[x] = qRgb((x * 255 / width + n) & 0xFF, (y * 255 / height + n) & 0xFF, (128 + n) & 0xFF);
    }
  }
  QPainter bar(&image);
  bar.fillRect(0, height - 40, width, 40, QColor(32, 32, 32));
  return image;
}

// The pixels as a binary PPM file (P6), red, green, blue.
inline std::string ToPpm(const QImage& image) {
  std::string ppm = "P6\n" + std::to_string(image.width()) + " " + std::to_string(image.height()) + "\n255\n";
  ppm.reserve(ppm.size() + static_cast<size_t>(image.width()) * static_cast<size_t>(image.height()) * 3);
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      ppm.push_back(static_cast<char>(qRed(row[x])));
      ppm.push_back(static_cast<char>(qGreen(row[x])));
      ppm.push_back(static_cast<char>(qBlue(row[x])));
    }
  }
  return ppm;
}

}  // namespace vitrix::test
