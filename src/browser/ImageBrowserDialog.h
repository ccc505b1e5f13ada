#pragma once
// The "Image Browser" panel: a tool window holding one image browser.

#include "gui/dialogs/Dialog.h"
#include "gui/dialogs/DialogFactory.h"

class ImageBrowser;

namespace GUI {

class ImageBrowserDialog : public Dialog {
    Q_OBJECT

public:
    static constexpr const char *kClassName = "ImageBrowserDialog";
    using Factory = DialogFactoryOf<ImageBrowserDialog>;

    ImageBrowserDialog(QWidget *parent, const char *name);
    ~ImageBrowserDialog() override;

    // Adds the panel to the window registry as "ImageBrowserDialog", titled "Image Browser".
    static void Register();
    // The newest open panel, or null.
    static ImageBrowserDialog *First();

    ImageBrowser *GetBrowser() const { return m_pBrowser; }

protected:
    // A window of its own is never narrower than the tool row: squeezed, its buttons cut their texts.
    void showEvent(QShowEvent *event) override;

private:
    ImageBrowser *m_pBrowser;
    static DialogChain s_chain;
};

}  // namespace GUI
