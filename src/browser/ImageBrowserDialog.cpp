#include "browser/ImageBrowserDialog.h"

#include "browser/ImageBrowser.h"

#include <QShowEvent>
#include <QVBoxLayout>

namespace GUI {

DialogChain ImageBrowserDialog::s_chain;

ImageBrowserDialog::ImageBrowserDialog(QWidget *parent, const char *name) : Dialog(parent, name)
{
    s_chain.Link(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addSpacing(4);
    m_pBrowser = new ImageBrowser(true, nullptr, 0, QColor(131, 163, 176, 255));
    layout->addWidget(m_pBrowser);
    SetWhatsThis(this);
}

void ImageBrowserDialog::showEvent(QShowEvent *event)
{
    const QMargins margins = layout()->contentsMargins();
    setMinimumWidth(isWindow() ? m_pBrowser->minimumSizeHint().width() + margins.left() + margins.right() : 0);
    Dialog::showEvent(event);
}

ImageBrowserDialog::~ImageBrowserDialog() { s_chain.Unlink(this); }

void ImageBrowserDialog::Register()
{
    DialogFactory::Register(std::make_unique<Factory>(), QLatin1String(kClassName), tr("Image Browser"));
}

ImageBrowserDialog *ImageBrowserDialog::First() { return static_cast<ImageBrowserDialog *>(s_chain.First()); }

}  // namespace GUI
