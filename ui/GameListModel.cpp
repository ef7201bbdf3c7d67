#include "ui/GameListModel.h"

#include <QCoreApplication>

#include "catalogue/AuditText.h"
#include "ui/Pictures.h"
#include "ui/Translations.h"

namespace {
QString Field(const TGame& game, int column) {
  switch (column) {
    case TGameListModel::colGame:
      return QString::fromStdString(game.Game);
    case TGameListModel::colCountry:
      return QString::fromStdString(game.Country);
    case TGameListModel::colCompany:
      return QString::fromStdString(game.Company);
    case TGameListModel::colSystem:
      return QString::fromStdString(game.System);
    case TGameListModel::colYear:
      return QString::fromStdString(game.Year);
  }
  return {};
}
}  // namespace

TGameListModel::TGameListModel(QObject* parent) : QAbstractTableModel(parent) {
  for (int i = 0; i < 3; ++i) FImages[i] = Pictures::GameImage(i);
}

void TGameListModel::SetGames(TGameList games, std::vector<TAuditNote> notes) {
  beginResetModel();
  FGames = std::move(games);
  FNotes = std::move(notes);
  endResetModel();
}

const TGame* TGameListModel::Game(int p) const {
  return p >= 0 && static_cast<size_t>(p) < FGames.size() ? &FGames[static_cast<size_t>(p)]
                                                          : nullptr;
}

const TAuditNote* TGameListModel::Note(int p) const {
  return p >= 0 && static_cast<size_t>(p) < FNotes.size() ? &FNotes[static_cast<size_t>(p)]
                                                          : nullptr;
}

int TGameListModel::ImageIndex(const TGame& game) {
  if (!game.Available) return 1;
  return game.SoundFlag ? 0 : 2;
}

int TGameListModel::ColumnWidth(int column) {
  static const int widths[ColumnCount] = {200, 80, 80, 80, 50};
  return column >= 0 && column < ColumnCount ? widths[column] : 0;
}

int TGameListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FGames.size());
}

int TGameListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant TGameListModel::data(const QModelIndex& index, int role) const {
  const TGame* found = index.isValid() ? Game(index.row()) : nullptr;
  if (!found) return {};
  const TGame& game = *found;
  switch (role) {
    case Qt::DisplayRole:
      return Field(game, index.column());
    case Qt::DecorationRole:
      if (index.column() == colGame) return FImages[static_cast<size_t>(ImageIndex(game))];
      return {};
    case Qt::ToolTipRole:
      // Put into words only when asked: the audit keeps just the facts. The whole title comes
      // first, for a view that cuts it short.
      if (static_cast<size_t>(index.row()) < FNotes.size())
        return QString::fromStdString(game.Game) + QLatin1Char('\n') +
               Translated(AuditNoteMessage(game.RomPath, FNotes[static_cast<size_t>(index.row())],
                                           FWorkDir));
      return {};
    case Qt::AccessibleDescriptionRole:
      // What the status bar says of the selected game, on the item a screen reader is on.
      if (index.column() != colGame) return {};
      if (!game.Available) return QCoreApplication::translate("TfrmMain", "ROMs missing");
      if (const TAuditNote* note = Note(index.row());
          note && note->Reason == TAuditNote::Incomplete)
        return Translated(AuditNoteMessage(game.RomPath, *note, FWorkDir));
      return QCoreApplication::translate("TfrmMain", "Working");
    case PositionRole:
      return index.row();
    case ImageIndexRole:
      return ImageIndex(game);
  }
  return {};
}

QVariant TGameListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) {
    switch (section) {
      case colGame:
        return tr("Game");
      case colCountry:
        return tr("Country");
      case colCompany:
        return tr("Company");
      case colSystem:
        return tr("System");
      case colYear:
        return tr("Year");
    }
  }
  return {};
}

Qt::ItemFlags TGameListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
