#pragma once

#include <QString>
#include <QStringList>

// Whether `a` comes before `b` as people count: runs of digits compare as numbers ("clip 2" before "clip 10",
// "第２集" before "第10集", full-width digits counting as theirs), the rest without regard to case; names
// that are equal so by their plain text.
bool NaturalLess(const QString& a, const QString& b);

// The video files in `folder` and all its subfolders, as full paths in the system's own form: in each
// folder its files in natural order, then its subfolders in natural order. Hidden entries are left out, links
// to folders are not followed, and no folder is read twice, however it is reached. The folders that could not
// be read go into `unreadable`.
QStringList VideosIn(const QString& folder, QStringList* unreadable = nullptr);

// What paths dropped or given on the command line come to: a file as it is, whatever its kind (one that
// cannot be read is told when its turn to convert comes); a folder its videos (see VideosIn). The folders
// that hold no video and those whose videos could not be read are kept by name.
struct GivenFiles {
    QStringList files;
    QStringList foldersWithoutVideo;
    QStringList foldersNotRead;
};
GivenFiles FilesGiven(const QStringList& paths);
