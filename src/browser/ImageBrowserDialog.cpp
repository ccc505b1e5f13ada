#include "browser/ImageBrowserDialog.h"

#include "browser/ImageBrowser.h"

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

ImageBrowserDialog::~ImageBrowserDialog() { s_chain.Unlink(this); }

void ImageBrowserDialog::Register()
{
    DialogFactory::Register(std::make_unique<Factory>(), QLatin1String(kClassName), tr("Image Browser"));
}

ImageBrowserDialog *ImageBrowserDialog::First() { return static_cast<ImageBrowserDialog *>(s_chain.First()); }

}  // namespace GUI
