// SPDX-License-Identifier: MIT
#include "about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace wk {

CAboutDlg::CAboutDlg(const ProgramInfo& info, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(info.aboutTitle);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("static_icon"));
    if (!info.iconPath.isEmpty()) icon->setPixmap(QIcon(info.iconPath).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* lines = new QVBoxLayout;
    for (int i = 0; i < info.aboutLines.size(); ++i) {
        auto* line = new QLabel(info.aboutLines[i], this);
        line->setObjectName(QStringLiteral("static_line%1").arg(i));
        line->setTextFormat(Qt::PlainText);
        lines->addWidget(line);
    }
    lines->addStretch();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(8);
    top->addLayout(lines, 1);
    top->addWidget(ok, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace wk
