#include "pages/settings/EntryActions.h"

#include "pages/PanelContext.h"
#include "pages/settings/AboutBox.h"
#include "workspace/EngineControl.h"
#include "workspace/Maker.h"
#include "workspace/Names.h"

namespace orvanel::entries {

namespace {

void openMakerPage(PanelContext& context)
{
    // An empty address opens nothing; a page that does not open is not reported.
    if (platform::UrlOpener* urls = context.services().urls)
        urls->open(maker::webPage());
}

} // namespace

void runAboutEntry(PanelContext& context)
{
    // One more box at each choice of the entry; the main window keeps them all.
    auto* box = new AboutBox(context.window());
    box->setWindowTitle(context.texts().text(48));
    box->show();
    openMakerPage(context);
}

void runWebPageEntry(PanelContext& context)
{
    openMakerPage(context);
}

void runQuitEntry(PanelContext& context)
{
    platform::Prompt* prompt = context.services().prompt;
    if (!prompt || !prompt->askYesNo(context.texts().text(65)))
        return;
    // netpro.exe and serveur.exe are ended here only; the main window's destruction ends
    // the others of its own list.
    context.engines().stop(QStringList{
        names::RealTimeEngine, names::ScanEngine, names::DiskScanEngine, names::ResolverEngine,
        names::NetworkEngine, names::UpdateEngine, names::ServerEngine, names::PngiEngine});
    context.panel().requestTermination();
}

} // namespace orvanel::entries
