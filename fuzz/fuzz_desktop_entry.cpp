// Desktop entries (autostart entries and desktop shortcuts): the keys of the main group,
// the string escapes of a value, the splitting of an Exec line into its arguments, and
// the panel's own splitting of an engine argument string.
#include "FuzzSupport.h"

#include "platform/Spawner.h"
#include "platform/linux/DesktopEntry.h"

using namespace orvanel;
using namespace orvanel::fuzz;
using namespace orvanel::platform;
using namespace Qt::StringLiterals;

namespace {

// What the panel writes reads back as written: the autostart entry of a program path
// gives that path as its command, and every argument quoted for an Exec line comes back.
void checkWrittenEntries(const QString& path, const QStringList& args)
{
    const QByteArray entry = autostartEntryText(u"Orvanel"_s, path);
    const DesktopEntryKeys keys = parseDesktopEntry(QString::fromUtf8(entry));
    FUZZ_CHECK(keys.hasMainGroup && keys.exec);
    FUZZ_CHECK(commandOfEntry(keys) == path);
    FUZZ_CHECK(unescapeValue(escapeValue(path)) == path);

    QStringList quoted;
    for (const QString& arg : args)
        quoted.append(quoteExecArgument(arg));
    FUZZ_CHECK(splitExec(quoted.join(u' ')) == args);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ExactText text(data, size);
    const DesktopEntryKeys keys = parseDesktopEntry(text.view());
    (void)commandOfEntry(keys);
    for (const auto& value : {keys.type, keys.name, keys.tryExec, keys.exec, keys.url}) {
        if (value)
            FUZZ_CHECK(!value->contains(u'\n'));
    }

    const QString exec = unescapeValue(text.view());
    const std::optional<QStringList> args = splitExec(exec);
    (void)splitExec(text.view());
    checkWrittenEntries(text.string(), args.value_or(QStringList()));

    for (const QString& arg : splitArgumentString(text.string()))
        FUZZ_CHECK(!arg.isEmpty() || text.view().contains(u'"'));
    return 0;
}
