#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

namespace orvanel {

class PanelContext;

// One page of the page area. The page host creates it (its marker), calls build() with
// the page panel as parent, and deletes it to free the page's controls. A page creates
// every control as a child of `panel` (or of a group box on it) and registers it with
// own(), so that the host can free the controls one by one.
class Page
{
public:
    explicit Page(PanelContext& context) : m_context(context) {}
    virtual ~Page();
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    virtual void build(QWidget* panel) = 0;

    // Frees every control the page created, last created first. Controls already gone
    // (deleted with their parent) are skipped.
    void freeControls();
    int controlCount() const { return int(m_controls.size()); }

protected:
    // Records a control the page created and answers it, so that build() reads as a list
    // of controls: auto* box = own(new QCheckBox(panel));
    template <typename W> W* own(W* widget)
    {
        m_controls.append(QPointer<QWidget>(widget));
        return widget;
    }

    PanelContext& context() const { return m_context; }

private:
    PanelContext& m_context;
    QList<QPointer<QWidget>> m_controls;
};

} // namespace orvanel
