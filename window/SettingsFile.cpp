#include "window/SettingsFile.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSaveFile>
#include <QStringDecoder>

#include <cmath>

namespace {
// Longer than any folder path can be; a field this long is not a folder.
constexpr qsizetype kLongestPath = 4096;
// Five short lines take a few hundred bytes: a file larger than this is damaged, and is not read at all.
constexpr qint64 kLargestFile = 64 * 1024;

// Reads the fields one by one: spaces before a field are skipped; a quoted field runs to the next single
// quote (a doubled one stands for one quote in the value), an unquoted one to the next comma or line end,
// trimmed; the reader then moves past that comma or line end.
class FieldReader {
  public:
    explicit FieldReader(QStringView text) : m_text(text) {}

    bool AtEnd() const { return m_at >= m_text.size(); }

    QString Next() {
        while (m_at < m_text.size() && m_text[m_at] == u' ')
            ++m_at;
        QString value;
        if (m_at < m_text.size() && m_text[m_at] == u'"') {
            qsizetype end = m_at + 1;
            for (; end < m_text.size(); ++end) {
                if (m_text[end] != u'"')
                    value += m_text[end];
                else if (end + 1 < m_text.size() && m_text[end + 1] == u'"')
                    value += m_text[++end];
                else
                    break;
            }
            m_at = separatorFrom(end) + 1;
        } else {
            const qsizetype end = separatorFrom(m_at);
            value = m_text.mid(m_at, end - m_at).trimmed().toString();
            m_at = end + 1;
        }
        return value;
    }

  private:
    // The next comma or line end from `from` on, or the end of the text.
    qsizetype separatorFrom(qsizetype from) const {
        while (from < m_text.size() && m_text[from] != u',' && m_text[from] != u'\n')
            ++from;
        return from;
    }

    QStringView m_text;
    qsizetype m_at = 0;
};

// A list position as stored: a 16-bit integer, halves going to the even neighbour. -1, "nothing selected",
// keeps the default: the encoder takes no empty setting.
void applyPosition(QComboBox* list, const QString& value) {
    bool ok = false;
    const double number = std::nearbyint(value.toDouble(&ok));
    if (ok && number >= 0 && number < list->count())
        list->setCurrentIndex(static_cast<int>(number));
}

} // namespace

void LoadSettings(const QString& path, const SettingsControls& controls) {
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || info.isHidden() || info.size() > kLargestFile || !file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.read(kLargestFile);
    QStringDecoder decoder(QStringDecoder::System);
    const QString text = decoder.decode(bytes);
    // A file that is not text holds no settings.
    if (decoder.hasError() || bytes.contains('\0'))
        return;

    FieldReader fields(text);
    for (QComboBox* list : controls.lists) {
        if (fields.AtEnd())
            return;
        applyPosition(list, fields.Next());
    }
    if (fields.AtEnd())
        return;
    if (const QString folder = fields.Next(); folder.size() <= kLongestPath)
        controls.txtPath->setText(folder);
}

void SaveSettings(const QString& path, const SettingsControls& controls) {
    QByteArray content;
    const auto line = [&content](QString value) {
        content += '"' + value.replace(u'"', QStringLiteral("\"\"")).toLocal8Bit() + "\"\r\n";
    };
    for (const QComboBox* list : controls.lists)
        line(QString::number(list->currentIndex()));
    line(controls.txtPath->text());

    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size())
        file.commit();
}
