#include "protect/EngineArguments.h"

namespace orvanel::engines {

using namespace Qt::StringLiterals;

std::optional<ScanArguments> scanArgumentsOf(const QStringList& args)
{
    const QString type = args.value(0);
    if (type == u"0"_s)
        return ScanArguments{ScanArguments::Kind::Quick, {}};
    if (type == u"1"_s)
        return ScanArguments{ScanArguments::Kind::Full, {}};
    if (type == u"2"_s)
        return ScanArguments{ScanArguments::Kind::Memory, {}};
    const QString mountPoint = args.mid(1).join(u' ');
    if (type == u"3"_s && mountPoint.startsWith(u'/'))
        return ScanArguments{ScanArguments::Kind::Volume, mountPoint};
    return std::nullopt;
}

CopySearchStep copySearchStepOf(const QStringList& args)
{
    const QString step = args.value(0);
    if (step == u"1"_s)
        return {CopySearchStep::Kind::Record, args.mid(1).join(u' ')};
    if (step == u"2"_s)
        return {CopySearchStep::Kind::List, {}};
    if (step == u"0"_s)
        return {CopySearchStep::Kind::Forget, {}};
    return {};
}

} // namespace orvanel::engines
