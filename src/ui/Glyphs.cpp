#include "ui/Glyphs.h"

#include <QPainter>
#include <QPolygon>

namespace verid {

namespace {

// The sixteen colours of the classic palette.
const QColor kBlack(0, 0, 0), kMaroon(128, 0, 0), kGreen(0, 128, 0), kOlive(128, 128, 0),
    kNavy(0, 0, 128), kPurple(128, 0, 128), kTeal(0, 128, 128), kGray(128, 128, 128),
    kSilver(192, 192, 192), kRed(255, 0, 0), kLime(0, 255, 0), kYellow(255, 255, 0),
    kBlue(0, 0, 255), kFuchsia(255, 0, 255), kAqua(0, 255, 255), kWhite(255, 255, 255);

void Page(QPainter& p, int x, int y, int w, int h) {
  p.setPen(kBlack);
  p.setBrush(kWhite);
  p.drawRect(x, y, w - 1, h - 1);
  p.setPen(kGray);
  for (int ly = y + 3; ly < y + h - 2; ly += 2) p.drawLine(x + 2, ly, x + w - 3, ly);
}

void Monitor(QPainter& p, const QColor& screen) {
  p.setPen(kBlack);
  p.setBrush(kSilver);
  p.drawRect(1, 1, 13, 10);
  p.fillRect(3, 3, 10, 7, screen);
  p.fillRect(6, 12, 4, 1, kGray);
  p.fillRect(4, 13, 8, 2, kGray);
}

void Arrow(QPainter& p, int x, int y, const QColor& colour) {
  p.setPen(kBlack);
  p.setBrush(colour);
  p.drawPolygon(
      QPolygon({QPoint(x, y + 2), QPoint(x + 4, y + 2), QPoint(x + 4, y), QPoint(x + 7, y + 3),
                QPoint(x + 4, y + 6), QPoint(x + 4, y + 4), QPoint(x, y + 4)}));
}

void Draw(QPainter& p, Glyph glyph) {
  switch (glyph) {
    case Glyph::Open:  // an opened folder
      p.setPen(kBlack);
      p.setBrush(kOlive);
      p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(5, 3), QPoint(6, 4), QPoint(12, 4),
                              QPoint(12, 13), QPoint(1, 13)}));
      p.setBrush(kYellow);
      p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(12, 13), QPoint(1, 13)}));
      break;
    case Glyph::Copy:  // two pages
      Page(p, 1, 1, 9, 11);
      Page(p, 6, 4, 9, 11);
      break;
    case Glyph::Move:  // a page and an arrow leaving it
      Page(p, 1, 1, 9, 12);
      Arrow(p, 7, 8, kLime);
      break;
    case Glyph::Delete:  // a red cross
      p.setPen(QPen(kMaroon, 3));
      p.drawLine(3, 3, 12, 12);
      p.drawLine(12, 3, 3, 12);
      p.setPen(QPen(kRed, 1));
      p.drawLine(3, 3, 12, 12);
      p.drawLine(12, 3, 3, 12);
      break;
    case Glyph::RealSize:  // "1:1" on a picture
      p.setPen(kBlack);
      p.setBrush(kWhite);
      p.drawRect(0, 2, 15, 11);
      p.setPen(kNavy);
      p.drawLine(4, 5, 4, 11);
      p.drawLine(3, 6, 4, 5);
      p.drawPoint(7, 6);
      p.drawPoint(7, 10);
      p.drawLine(11, 5, 11, 11);
      p.drawLine(10, 6, 11, 5);
      break;
    case Glyph::FitScreen:  // a monitor with corner arrows
      Monitor(p, kTeal);
      p.setPen(kWhite);
      p.drawLine(4, 4, 6, 4);
      p.drawLine(4, 4, 4, 6);
      p.drawLine(11, 8, 9, 8);
      p.drawLine(11, 8, 11, 6);
      p.drawLine(4, 4, 11, 8);
      break;
    case Glyph::FullScreen:  // a monitor filled to its edges
      Monitor(p, kBlue);
      p.fillRect(3, 3, 10, 2, kAqua);
      break;
    case Glyph::Catalog:  // a grid of thumbnails
      p.setPen(kBlack);
      for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
          const QColor colours[3] = {kTeal, kOlive, kPurple};
          p.setBrush(colours[(row + col) % 3]);
          p.drawRect(1 + col * 5, 1 + row * 5, 3, 3);
        }
      break;
    case Glyph::SlideThumb:  // a film strip with a small frame
    case Glyph::SlideFull: {
      p.fillRect(0, 2, 16, 12, kBlack);
      for (int x = 1; x < 16; x += 3) {
        p.fillRect(x, 3, 2, 1, kWhite);
        p.fillRect(x, 12, 2, 1, kWhite);
      }
      if (glyph == Glyph::SlideThumb)
        p.fillRect(5, 6, 6, 4, kAqua);
      else
        p.fillRect(1, 5, 14, 6, kAqua);
      break;
    }
    case Glyph::Info:  // an "i" in a blue disc
      p.setPen(kNavy);
      p.setBrush(kBlue);
      p.drawEllipse(1, 1, 13, 13);
      p.fillRect(7, 3, 2, 2, kWhite);
      p.fillRect(7, 6, 2, 6, kWhite);
      p.fillRect(6, 11, 4, 1, kWhite);
      break;
    case Glyph::Property:  // a check list
      Page(p, 2, 0, 12, 16);
      p.setPen(kGreen);
      for (int y = 3; y <= 11; y += 4) {
        p.drawLine(4, y + 1, 5, y + 2);
        p.drawLine(5, y + 2, 7, y);
      }
      p.setPen(kBlack);
      for (int y = 4; y <= 12; y += 4) p.drawLine(8, y, 11, y);
      break;
    case Glyph::CacheSearch:  // a globe under a magnifier
      p.setPen(kNavy);
      p.setBrush(kAqua);
      p.drawEllipse(0, 0, 10, 10);
      p.setPen(kGreen);
      p.drawLine(1, 5, 9, 5);
      p.drawLine(5, 1, 5, 9);
      p.setPen(QPen(kMaroon, 3));
      p.drawLine(9, 9, 14, 14);
      p.setPen(kFuchsia);
      p.drawPoint(9, 9);
      break;
  }
}

}  // namespace

QPixmap SpeedButtonGlyph(Glyph glyph) {
  QPixmap pixmap(kGlyphSize, kGlyphSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing, false);
  Draw(painter, glyph);
  return pixmap;
}

}  // namespace verid
