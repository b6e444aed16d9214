#include "platform/linux/ProcText.h"

#include <QStringList>

#include <limits>

using namespace Qt::StringLiterals;

namespace orvanel::platform {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The text of the line that starts with "key:", after the colon; nothing when no line
// does.
std::optional<std::string_view> fieldValue(std::string_view text, std::string_view key)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            line[key.size()] == ':')
            return line.substr(key.size() + 1);
        at = end + 1;
    }
    return std::nullopt;
}

// "   1234 kB" → 1234 × 1024; a count without unit stays as it is.
std::optional<quint64> byteCount(std::string_view value)
{
    std::size_t i = 0;
    while (i < value.size() && isBlank(value[i]))
        ++i;
    if (i == value.size() || value[i] < '0' || value[i] > '9')
        return std::nullopt;
    quint64 count = 0;
    constexpr quint64 kMax = std::numeric_limits<quint64>::max() / 1024;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        const quint64 digit = quint64(value[i] - '0');
        if (count > (kMax - digit) / 10)
            return std::nullopt; // no figure of a real machine comes near this
        count = count * 10 + digit;
    }
    while (i < value.size() && isBlank(value[i]))
        ++i;
    const std::string_view unit = value.substr(i);
    if (unit.empty())
        return count;
    if (unit == "kB")
        return count * 1024;
    return std::nullopt;
}

bool isAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool holds(const QString& mountPoint, const QString& path)
{
    if (mountPoint == "/"_L1)
        return true;
    return path == mountPoint ||
           (path.startsWith(mountPoint) && path.at(mountPoint.size()) == u'/');
}

} // namespace

std::optional<StatFields> parseStat(std::string_view statText)
{
    const std::size_t open = statText.find('(');
    const std::size_t close = statText.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open ||
        close + 2 >= statText.size() || statText[close + 1] != ' ')
        return std::nullopt;
    return StatFields{statText.substr(open + 1, close - open - 1), statText[close + 2]};
}

std::string_view baseName(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view exeTargetPath(std::string_view linkTarget)
{
    constexpr std::string_view kDeleted = " (deleted)";
    if (linkTarget.size() > kDeleted.size() &&
        linkTarget.substr(linkTarget.size() - kDeleted.size()) == kDeleted)
        linkTarget.remove_suffix(kDeleted.size());
    return linkTarget;
}

std::string_view cmdlineProgramName(std::string_view cmdline)
{
    const std::size_t nul = cmdline.find('\0');
    if (nul != std::string_view::npos)
        cmdline = cmdline.substr(0, nul);
    return baseName(cmdline);
}

std::optional<qint64> statusResidentBytes(std::string_view statusText)
{
    const auto value = fieldValue(statusText, "VmRSS");
    if (!value)
        return std::nullopt;
    const auto bytes = byteCount(*value);
    if (!bytes || *bytes > quint64(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    return qint64(*bytes);
}

std::optional<qint64> statusRealUid(std::string_view statusText)
{
    const auto value = fieldValue(statusText, "Uid");
    if (!value)
        return std::nullopt;
    std::size_t i = 0;
    while (i < value->size() && isBlank((*value)[i]))
        ++i;
    qint64 uid = 0;
    const std::size_t first = i;
    for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i) {
        uid = uid * 10 + ((*value)[i] - '0');
        if (uid > qint64(std::numeric_limits<quint32>::max()))
            return std::nullopt;
    }
    if (i == first || (i < value->size() && !isBlank((*value)[i])))
        return std::nullopt;
    return uid;
}

std::optional<quint64> meminfoBytes(std::string_view meminfoText, std::string_view key)
{
    const auto value = fieldValue(meminfoText, key);
    return value ? byteCount(*value) : std::nullopt;
}

bool sameProgramName(std::string_view utf8Name, QStringView wanted)
{
    if (isAscii(utf8Name)) {
        if (std::size_t(wanted.size()) != utf8Name.size())
            return false;
        for (std::size_t i = 0; i < utf8Name.size(); ++i) {
            const char16_t w = wanted[qsizetype(i)].unicode();
            if (w >= 0x80 || lowerAscii(char(w)) != lowerAscii(utf8Name[i]))
                return false;
        }
        return true;
    }
    const QString name = QString::fromUtf8(utf8Name.data(), qsizetype(utf8Name.size()));
    return name.compare(wanted, Qt::CaseInsensitive) == 0;
}

QString unescapeMountField(std::string_view field)
{
    QByteArray out;
    out.reserve(qsizetype(field.size()));
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](std::size_t k) { return field[k] >= '0' && field[k] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) &&
            octal(i + 3)) {
            out.append(
                char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return QString::fromUtf8(out);
}

void forEachMount(std::string_view mountinfoText,
                  const std::function<void(const MountLine&)>& visit)
{
    std::size_t at = 0;
    while (at < mountinfoText.size()) {
        const std::size_t end = std::min(mountinfoText.find('\n', at), mountinfoText.size());
        const std::string_view line = mountinfoText.substr(at, end - at);
        at = end + 1;
        // id parent major:minor root mount-point options … - fstype source options
        std::size_t from = 0;
        for (int field = 0; field < 4 && from != std::string_view::npos; ++field) {
            from = line.find(' ', from);
            if (from != std::string_view::npos)
                ++from;
        }
        if (from == std::string_view::npos)
            continue;
        const std::size_t to = std::min(line.find(' ', from), line.size());
        MountLine mount{unescapeMountField(line.substr(from, to - from)), std::nullopt};
        if (const std::size_t dash = line.find(" - "); dash != std::string_view::npos) {
            const std::string_view rest = line.substr(dash + 3);
            mount.fileSystem = rest.substr(0, rest.find(' '));
        }
        visit(mount);
    }
}

QString mountPointHolding(std::string_view mountinfoText, const QString& path)
{
    QString best = u"/"_s;
    forEachMount(mountinfoText, [&](const MountLine& mount) {
        // Later lines are mounted over earlier ones at the same place.
        if (mount.mountPoint.startsWith(u'/') && holds(mount.mountPoint, path) &&
            mount.mountPoint.size() >= best.size())
            best = mount.mountPoint;
    });
    return best;
}

} // namespace orvanel::platform
