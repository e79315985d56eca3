#include "conv/Subtitles.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace {
// Language tags that name Chinese, simplified first: a player's Chinese reader takes these first.
const QStringList kChineseTags{"chs",   "sc",      "zh-cn", "zh-hans", "zh_cn", "zh",   "chi", "zho",
                               "gb",    "简",      "简体",  "简中",    "中文",  "cht",  "tc",  "zh-tw",
                               "zh-hk", "zh-hant", "zh_tw", "big5",    "繁",    "繁体", "繁中"};
const QStringList kExtensions{"ass", "ssa", "srt"};

// Where a tag stands among the files beside a video: a Chinese one by its place above, then none, then any.
int tagRank(const QString& tag) {
    if (tag.isEmpty())
        return int(kChineseTags.size());
    if (const qsizetype exact = kChineseTags.indexOf(tag); exact >= 0)
        return int(exact);
    // "chs&eng" or "zh-cn.forced", which start with one.
    for (qsizetype i = 0; i < kChineseTags.size(); ++i)
        if (tag.startsWith(kChineseTags[i]) && !tag.at(kChineseTags[i].size()).isLetter())
            return int(i);
    return int(kChineseTags.size()) + 1;
}

// Some 200 of the characters most used in Chinese, in both scripts: text read in its own encoding is full
// of them, text read in another one hardly holds any.
const QString kCommonCharacters = QStringLiteral("的一是不了在人有我他这這个個们們中来來上大为為和国國地到以"
                                                 "说說时時要就出会會可也你对對生能而子那得于於着著"
                                                 "下自之年过過发發后後作里裡用道行所然家种種事成方多经經么麼"
                                                 "去法学學如都同现現当當没沒动動面起看定天分还還进進"
                                                 "好小部其些主样樣理心她本前开開但因只从從想实實日军軍者意无"
                                                 "無力它与與长長把机機十民第公此已工使情明性知全三又"
                                                 "关關点點正业業外将將两兩高间間由问問很最重并物手应應战戰向"
                                                 "头頭文体體政美相见見被利什二等产產或新己制身果加西");

// How much `text` reads as Chinese: its common characters, less what could not be read at all.
int chineseScore(const QString& text) {
    int score = 0;
    for (const QChar character : text) {
        if (character == QChar::ReplacementCharacter)
            score -= 4;
        else if (kCommonCharacters.contains(character))
            ++score;
    }
    return score;
}
} // namespace

QString SubtitleFileBeside(const QString& input) {
    const QFileInfo source(input);
    const QString stem = source.completeBaseName() + u'.';
    struct Candidate {
        int rank;
        qsizetype extension;
        QString name;
    };
    QList<Candidate> found;
    for (const QString& name : source.dir().entryList(QDir::Files | QDir::Hidden)) {
        if (!name.startsWith(stem, Qt::CaseInsensitive) ||
            name.compare(source.fileName(), Qt::CaseInsensitive) == 0)
            continue;
        const QString rest = name.mid(stem.size());
        const QString extension = rest.section(u'.', -1).toLower();
        if (!kExtensions.contains(extension))
            continue;
        const QString tag = rest.chopped(extension.size()).chopped(rest == extension ? 0 : 1).toLower();
        found << Candidate{tagRank(tag), kExtensions.indexOf(extension), name};
    }
    if (found.isEmpty())
        return {};
    const auto first =
        std::min_element(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
            return std::tie(a.rank, a.extension, a.name) < std::tie(b.rank, b.extension, b.name);
        });
    return QDir::cleanPath(source.dir().filePath(first->name));
}

QString SubtitleText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString asUtf8 = utf8(bytes);
    if (!utf8.hasError())
        return asUtf8;
    // GB18030 where they read alike: it is what most Chinese subtitle files are written in. UTF-8 with a
    // stray bad byte still reads as UTF-8.
    const QStringList readings{platform::DecodeChinese(bytes, platform::ChineseEncoding::Gb18030),
                               platform::DecodeChinese(bytes, platform::ChineseEncoding::Big5), asUtf8};
    return *std::max_element(readings.begin(), readings.end(), [](const QString& a, const QString& b) {
        return chineseScore(a) < chineseScore(b);
    });
}

bool LooksLikeSubtitles(const QString& text) {
    return text.contains(QStringLiteral("-->")) ||
           text.contains(QStringLiteral("[Script Info]"), Qt::CaseInsensitive) ||
           text.contains(QStringLiteral("Dialogue:"), Qt::CaseInsensitive);
}

QString FilterGraphValue(const QString& path) {
    // First as an option's value, where a backslash, quote, colon or equals sign would be read; then the
    // whole as a filter's arguments in the graph, where brackets, commas and semicolons also would.
    const auto escaped = [](const QString& text, const QString& special) {
        QString out;
        for (const QChar character : text) {
            if (special.contains(character))
                out += u'\\';
            out += character;
        }
        return out;
    };
    return escaped(escaped(path, QStringLiteral("\\':=")), QStringLiteral("\\'[],;"));
}
