#pragma once

class QWidget;

namespace orvanel {

class PanelContext;

// One page of the page area, and its marker: the page host keeps the one page that exists
// together with the page panel it was built on. Every control a page creates is a child of
// that panel (or of a group box on it), so freeing the panel frees the page's controls,
// and the page object lives exactly as long as they do.
class Page
{
public:
    explicit Page(PanelContext& context) : m_context(context) {}
    virtual ~Page() = default;
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    // Creates and places the page's controls on `panel`.
    virtual void build(QWidget* panel) = 0;

    // Called by every scheduler tick during which no scan runs, while the page is built.
    virtual void schedulerIdle() {}

protected:
    PanelContext& context() const { return m_context; }

private:
    PanelContext& m_context;
};

} // namespace orvanel
