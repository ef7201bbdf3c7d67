// Prepares a demo folder for the window: ROM archives that pass (or fail) the audit without
// holding any real ROM data, and title-card screenshots.
//   ludra-make-demo <folder>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QString>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/ZipWriter.h"

namespace {
// Filler standing in for ROM contents: a recognisable text, repeated.
std::string Filler(const std::string& name) {
  std::string block = "LUDRA DEMO PLACEHOLDER - NOT A ROM IMAGE - " + name + "\n";
  std::string data;
  while (data.size() < 4096) data += block;
  return data;
}

bool WriteFile(const QString& path, const std::string& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
         static_cast<qint64>(bytes.size());
}

struct TArchive {
  const char* Name;
  std::vector<const char*> Members;
};

// ---- Title cards ----

struct TCard {
  const char* File;
  const char* Title;
  const char* Line;  // company and year
  QColor Top, Bottom;
  QSize Size;
};

QImage TitleCard(const TCard& card) {
  QImage image(card.Size, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient sky(0, 0, 0, card.Size.height());
  sky.setColorAt(0, card.Top);
  sky.setColorAt(1, card.Bottom);
  p.fillRect(image.rect(), sky);

  // A floor grid in perspective, the arcade cabinet's favourite backdrop.
  p.setPen(QPen(QColor(255, 255, 255, 60), 1));
  const int horizon = card.Size.height() * 3 / 5;
  const int w = card.Size.width(), h = card.Size.height();
  for (int i = -8; i <= 8; ++i) p.drawLine(w / 2, horizon, w / 2 + i * w / 6, h);
  for (int k = 1; k <= 6; ++k) {
    const int y = horizon + (h - horizon) * k * k / 36;
    p.drawLine(0, y, w, y);
  }

  QFont titleFont(QStringLiteral("DejaVu Sans"));
  titleFont.setBold(true);
  titleFont.setPixelSize(card.Size.height() / 8);
  p.setFont(titleFont);
  const QRect titleBox(8, card.Size.height() / 6, w - 16, card.Size.height() / 3);
  p.setPen(QColor(0, 0, 0, 160));
  p.drawText(titleBox.translated(2, 2), Qt::AlignCenter | Qt::TextWordWrap,
             QString::fromUtf8(card.Title));
  p.setPen(QColor(255, 240, 120));
  p.drawText(titleBox, Qt::AlignCenter | Qt::TextWordWrap, QString::fromUtf8(card.Title));

  QFont small(QStringLiteral("DejaVu Sans"));
  small.setPixelSize(qMax(9, card.Size.height() / 16));
  p.setFont(small);
  p.setPen(Qt::white);
  p.drawText(QRect(0, horizon - small.pixelSize() - 6, w, small.pixelSize() + 4), Qt::AlignCenter,
             QString::fromUtf8(card.Line));
  p.setPen(QColor(255, 255, 255, 180));
  p.drawText(QRect(0, h - small.pixelSize() - 6, w - 6, small.pixelSize() + 4),
             Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("PRESS START"));
  p.end();
  return image;
}
}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: ludra-make-demo <folder>\n");
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(QStringLiteral("Roms")) || !folder.mkpath(QStringLiteral("Shots"))) {
    std::fprintf(stderr, "ludra-make-demo: cannot create the folders in %s\n", argv[1]);
    return 1;
  }

  // Members named as the catalogue expects them, filler instead of ROM data.
  const std::vector<TArchive> archives = {
      {"sfex.zip", {"sfe-04a", "sfe-05m", "sfe-06m", "sfe-10m", "sfe-02", "sfe-01m"}},
      {"sfexp.zip", {"sfp-04e", "sfp-05", "sfp-06", "sfp-07", "sfp-02", "sfp-01"}},
      {"rvschool.zip", {"jst-04a", "jst-05m", "jst-06m", "jst-02", "jst-01m"}},
      {"kikaioh.zip", {"kioj-04", "kio-05m", "kio-06m", "kio-02", "kio-01m"}},
      // Member names in capitals, as some archivers write them: matched all the same.
      {"tgmj.zip", {"ATE-04J", "ATE-05", "ATE-06", "ATE-02", "ATE-01"}},
      {"souledge.zip", {"so1ver-a.2l", "so1ver-c.2l", "so1rom0u.5", "so1rom0l.6"}},
      {"starswep.zip", {"stp1vera.1j", "stp1vera.1l"}},
      // Present, but holding none of the expected files: the game stays unavailable.
      {"psyforce.zip", {"readme.txt", "e22-03.bin", "e22-04.bin"}},
  };
  for (const TArchive& a : archives) {
    std::vector<TZipMember> members;
    for (const char* name : a.Members) {
      TZipMember member;
      member.Name = name;
      member.Data = Filler(name);
      members.push_back(member);
    }
    if (!WriteFile(folder.filePath(QStringLiteral("Roms/") + QString::fromLatin1(a.Name)),
                   BuildZip(members))) {
      std::fprintf(stderr, "ludra-make-demo: cannot write %s\n", a.Name);
      return 1;
    }
  }

  const QSize card(232, 174);
  const std::vector<TCard> cards = {
      {"sfex.jpg", "Street Fighter EX", "Arika / Capcom  1996", QColor(30, 40, 140),
       QColor(200, 60, 40), card},
      {"sfexp.jpg", "Street Fighter EX Plus", "Arika / Capcom  1997", QColor(90, 20, 120),
       QColor(230, 120, 30), card},
      {"rvschool.jpg", "Rival Schools", "Capcom  1997", QColor(20, 90, 60), QColor(220, 200, 60),
       card},
      // Found although the file name is in capitals.
      {"TGMJ.JPG", "Tetris The Grand Master", "Arika / Capcom  1998", QColor(10, 10, 40),
       QColor(40, 140, 200), card},
      {"psyforce.jpg", "Psychic Force", "Taito  1995", QColor(60, 0, 80), QColor(0, 160, 180),
       card},
      // Larger than the panel: shown centred and clipped.
      {"starswep.jpg", "Star Sweep", "Axela  1997", QColor(0, 20, 60), QColor(120, 30, 160),
       QSize(320, 240)},
  };
  for (const TCard& c : cards) {
    const QString path = folder.filePath(QStringLiteral("Shots/") + QString::fromLatin1(c.File));
    if (!TitleCard(c).save(path, "JPG", 90)) {
      std::fprintf(stderr, "ludra-make-demo: cannot write %s\n", c.File);
      return 1;
    }
  }
  std::printf("ludra-make-demo: %zu archives, %zu screenshots in %s\n", archives.size(),
              cards.size(), argv[1]);
  return 0;
}
