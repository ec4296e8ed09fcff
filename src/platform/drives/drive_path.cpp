#include "platform/drives/drive_path.h"

#include "platform/drives/drive_table.h"

#include <algorithm>

namespace platform::drive_path {

namespace {

constexpr QChar Backslash = QLatin1Char('\\');

bool isAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

bool hasRootPrefix(const QString& path) {
    return path.size() >= 3 && isAsciiLetter(path.at(0)) && path.at(1) == QLatin1Char(':') &&
           path.at(2) == Backslash;
}

// The names after "X:\", without a folder entry's trailing "\".
QStringView namesPart(const QString& path) {
    QStringView rest = QStringView(path).mid(3);
    if (rest.size() > 1 && rest.endsWith(Backslash))
        rest.chop(1);
    return rest;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        if (p[1] < lo || p[1] > hi)
            return false;
        for (int i = 2; i <= more; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF)
                return false;
        }
        p += more + 1;
    }
    return true;
}

} // namespace

QString rootOf(QChar letter) {
    return letter.toUpper() + QStringLiteral(":\\");
}

QString join(const QString& folder, const QString& name) {
    if (folder.endsWith(Backslash))
        return folder + name;
    return folder + Backslash + name;
}

QString parentOf(const QString& path) {
    if (!hasRootPrefix(path))
        return {};
    const QStringView names = namesPart(path);
    if (names.isEmpty())
        return {};
    const qsizetype slash = names.lastIndexOf(Backslash);
    if (slash < 0)
        return path.left(3);
    return path.left(3 + slash);
}

QString nameOf(const QString& path) {
    if (!hasRootPrefix(path))
        return {};
    const QStringView names = namesPart(path);
    return names.mid(names.lastIndexOf(Backslash) + 1).toString();
}

std::optional<QChar> driveOf(const QString& path) {
    if (path.size() < 2 || !isAsciiLetter(path.at(0)) || path.at(1) != QLatin1Char(':'))
        return std::nullopt;
    return path.at(0).toUpper();
}

// One pass over the text and one allocation: every new folder of a run is
// translated here.
Result<QByteArray> hostPathUnder(const QByteArray& root, const QString& path) {
    if (!hasRootPrefix(path))
        return FsError::Unlistable;
    const QStringView rest = namesPart(path);
    if (rest.isEmpty())
        return root;
    const QChar* const begin = rest.data();
    const qsizetype size = rest.size();

    // At most three bytes per UTF-16 unit (four per surrogate pair).
    const qsizetype base = root == "/" ? 0 : root.size();
    QByteArray out(base + 1 + 3 * size, Qt::Uninitialized);
    char* const start = out.data();
    std::copy(root.constData(), root.constData() + base, start);
    char* o = start + base;
    *o++ = '/';

    qsizetype nameStart = 0;
    for (qsizetype k = 0; k <= size; ++k) {
        const char16_t c = k < size ? begin[k].unicode() : u'\\';
        if (c == u'\\') {
            const qsizetype length = k - nameStart;
            // Empty, "." and "..": not a name of its own.
            if (length == 0 ||
                (begin[nameStart] == QLatin1Char('.') &&
                 (length == 1 || (length == 2 && begin[nameStart + 1] == QLatin1Char('.')))))
                return FsError::Unlistable;
            if (k < size)
                *o++ = '/';
            nameStart = k + 1;
        } else if (c < 0x80) {
            if (c == u'/' || c == 0)
                return FsError::Unlistable;
            *o++ = char(c);
        } else if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
            *o++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            // A lone surrogate has no UTF-8 form: it would be written as
            // something else.
            if (!QChar::isHighSurrogate(c) || k + 1 >= size ||
                !QChar::isLowSurrogate(begin[k + 1].unicode()))
                return FsError::Unlistable;
            const char32_t u = QChar::surrogateToUcs4(c, begin[++k].unicode());
            *o++ = char(0xF0 | (u >> 18));
            *o++ = char(0x80 | ((u >> 12) & 0x3F));
            *o++ = char(0x80 | ((u >> 6) & 0x3F));
            *o++ = char(0x80 | (u & 0x3F));
        } else {
            *o++ = char(0xE0 | (c >> 12));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        }
    }
    out.truncate(o - start);
    return out;
}

Result<QString> fromHost(const QByteArray& hostPath) {
    if (!hostPath.startsWith('/'))
        return FsError::Unlistable;
    QByteArray normal;
    normal.reserve(hostPath.size());
    for (const QByteArray& name : hostPath.split('/')) {
        if (name.isEmpty() || name == ".")
            continue;
        // Going up lexically would be wrong past a symbolic link.
        if (name == ".." || !isListableName(name))
            return FsError::Unlistable;
        normal += '/';
        normal += name;
    }
    if (normal.isEmpty())
        normal = "/";

    DriveTable& table = DriveTable::instance();
    table.refresh(); // a volume mounted since the last look must answer under its own letter
    const std::optional<DriveTable::Location> where = table.locate(normal);
    if (!where)
        return FsError::NotReady;
    QByteArray rest =
        where->hostRoot == "/" ? normal.mid(1) : normal.mid(where->hostRoot.size() + 1);
    QString path = rootOf(where->letter);
    if (!rest.isEmpty())
        path += QString::fromUtf8(rest).replace(QLatin1Char('/'), Backslash);
    return path;
}

bool isListableName(const QByteArray& name) {
    if (name.isEmpty() || name == "." || name == ".." || name.contains('\\') ||
        name.contains('/') || name.contains('\0'))
        return false;
    return isValidUtf8(name);
}

} // namespace platform::drive_path
