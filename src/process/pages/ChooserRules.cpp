#include "process/pages/ChooserRules.h"

#include "core/PathParts.h"

#include <QSet>
#include <algorithm>

namespace {

bool HasDriveLetters() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

bool IsRoot(const QString& folder) {
    if (folder.size() == 1) return IsPathSeparator(folder[0]);
    return HasDriveLetters() && folder.size() == 3 && folder[1] == QLatin1Char(':') &&
           IsPathSeparator(folder[2]);
}

} // namespace

QString ChooserCaption(const QString& title, TChooserType type) {
    if (!title.isEmpty()) return title;
    switch (type) {
    case TChooserType::Save:
        return QStringLiteral("Save");
    case TChooserType::Directory:
        return QStringLiteral("Open directory");
    case TChooserType::Open:
        break;
    }
    return QStringLiteral("Open");
}

TTypedPath SplitTypedPath(const QString& text) {
    TTypedPath parts;
    QString rest = text;
    if (HasDriveLetters() && rest.size() >= 2 && rest[1] == QLatin1Char(':') &&
        rest[0].isLetter()) {
        parts.Drive = rest.left(2);
        rest = rest.mid(2);
    }
    parts.Folder = FolderPart(rest);
    parts.Name = FileNamePart(rest);
    return parts;
}

bool HasWildcard(const QString& name) {
    return name.contains(QLatin1Char('*'));
}

bool ChooserOkEnabled(TChooserType type, const QString& fileName, bool fileExists) {
    switch (type) {
    case TChooserType::Open:
        return fileExists && !HasWildcard(fileName);
    case TChooserType::Save:
        return !fileName.isEmpty() && !HasWildcard(fileName);
    case TChooserType::Directory:
        return !fileName.isEmpty();
    }
    return false;
}

QString AnswerForTypedName(const QString& text, const QString& folder) {
    const TTypedPath parts = SplitTypedPath(text);
    if (!parts.Drive.isEmpty() || !parts.Folder.isEmpty()) return QString();
    if (HasWildcard(parts.Name)) return QString();
    return JoinFolderAndName(folder, parts.Name);
}

QString JoinFolderAndName(const QString& folder, const QString& name) {
    if (folder.isEmpty() || name.isEmpty()) return QString();
    if (IsPathSeparator(folder.back())) return folder + name;
    return folder + PathSeparator() + name;
}

QString FolderAnswer(const QString& folder) {
    QString result = folder;
    while (!result.isEmpty() && IsPathSeparator(result.back()) && !IsRoot(result))
        result.chop(1);
    return result;
}

QList<TFilterEntry> ParseFilter(const QString& filter) {
    QList<TFilterEntry> entries;
    const QStringList fields = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < fields.size(); i += 2) {
        const QString mask = i + 1 < fields.size() ? fields[i + 1] : QString();
        if (fields[i].isEmpty() && mask.isEmpty()) continue;
        entries.append({fields[i], mask.isEmpty() ? QStringLiteral("*.*") : mask});
    }
    if (entries.isEmpty()) {
        entries.append({QStringLiteral("All files (*.*)"), QStringLiteral("*.*")});
    }
    return entries;
}

int ClampedFilterIndex(int index, int count) {
    if (count <= 0 || index < 0) return 0;
    return index < count ? index : count - 1;
}

QString DriveOf(const QString& folder, const QStringList& roots) {
    QString best;
    for (const QString& root : roots) {
        if (root.size() <= best.size()) continue;
        const bool holds = folder == root ||
                           (folder.startsWith(root) &&
                            (IsPathSeparator(root.back()) || IsPathSeparator(folder[root.size()])));
        if (holds) best = root;
    }
    if (best.isEmpty() && !roots.isEmpty()) return roots.front();
    return best;
}

QStringList DriveRoots(const QList<TVolume>& volumes) {
    static const QSet<QString> pseudo = {
        QStringLiteral("autofs"),   QStringLiteral("binfmt_misc"), QStringLiteral("bpf"),
        QStringLiteral("cgroup"),   QStringLiteral("cgroup2"),     QStringLiteral("configfs"),
        QStringLiteral("debugfs"),  QStringLiteral("devpts"),      QStringLiteral("devtmpfs"),
        QStringLiteral("efivarfs"), QStringLiteral("fusectl"),     QStringLiteral("hugetlbfs"),
        QStringLiteral("mqueue"),   QStringLiteral("nsfs"),        QStringLiteral("proc"),
        QStringLiteral("pstore"),   QStringLiteral("securityfs"),  QStringLiteral("sysfs"),
        QStringLiteral("tracefs"),  QStringLiteral("rpc_pipefs"),  QStringLiteral("selinuxfs"),
    };
    QStringList roots;
    for (const TVolume& volume : volumes) {
        if (volume.RootPath.isEmpty() || pseudo.contains(volume.FileSystemType)) continue;
        if (!roots.contains(volume.RootPath)) roots.append(volume.RootPath);
    }
    std::sort(roots.begin(), roots.end(), [](const QString& a, const QString& b) {
        if (IsRoot(a) != IsRoot(b)) return IsRoot(a);
        return a < b;
    });
    return roots;
}

QStringList NameFiltersOf(const QString& mask) {
    QStringList patterns;
    for (const QString& part : mask.split(QLatin1Char(';'))) {
        const QString pattern = part.trimmed();
        if (pattern.isEmpty()) continue;
        patterns.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    if (patterns.isEmpty()) patterns.append(QStringLiteral("*"));
    return patterns;
}
