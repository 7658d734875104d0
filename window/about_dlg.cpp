#include "about_dlg.h"

#include "framira_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("About Framira\u2122"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(":/ui/icons/app.png"));
    auto* name = new QLabel(QString("Framira Version %1").arg(kProductVersion), this);
    auto* line = new QLabel("Beautiful frames for displaying images.", this);
    auto* company = new QLabel(QString::fromUtf8("Copyright \u00A9 Brevant Inc"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(line, 1, 1);
    layout->addWidget(company, 2, 1);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
