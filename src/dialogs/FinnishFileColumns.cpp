#include "dialogs/FinnishFileColumns.h"

#include "copies/DiskRoom.h"

#include <QFileSystemModel>
#include <QLocale>

namespace {

enum Column { Name, Size, Type, Modified };

QString typeOf(const QFileSystemModel& files, const QModelIndex& source, const QVariant& qtType)
{
    const QFileInfo info = files.fileInfo(source);
    if (info.isRoot())
        return QStringLiteral("Asema");
    if (info.isDir())
        return QStringLiteral("Kansio");
    // A file's type is its MIME type's description, already in the default locale's language.
    if (info.isFile() || qtType.toString().isEmpty())
        return qtType.toString();
    return info.isSymLink() ? QStringLiteral("Linkki") : QStringLiteral("Tuntematon");
}

} // namespace

QVariant FinnishFileColumns::data(const QModelIndex& index, int role) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    const QVariant qtText = QIdentityProxyModel::data(index, role);
    if (role != Qt::DisplayRole || !files || !index.isValid())
        return qtText;
    const QModelIndex source = mapToSource(index);
    switch (index.column()) {
    case Size:
        // As Finnish file managers write it, and as the rest of both programs
        // do; Qt's own Finnish would say "4,88 Kit" and "512 tavut".
        return qtText.toString().isEmpty() ? qtText : diskRoom::size(files->size(source));
    case Type:
        return typeOf(*files, source, qtText);
    case Modified:
        return qtText.toString().isEmpty() ? qtText
                                           : QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
    default:
        return qtText;
    }
}
