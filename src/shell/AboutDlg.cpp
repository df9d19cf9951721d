#include "shell/AboutDlg.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const zel::SDialogTemplate& AboutTemplate() {
    static const zel::SDialogTemplate dialog{
        CAboutDlg::IDD,
        "About Zelmora",
        235,
        83,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, -1, "Zelmora Version 2.0, Build 2.37", 40, 10, 185, 8},
            {ControlKind::Static, -1, "Topological analysis of molecular electron densities", 40, 22, 185, 8},
            {ControlKind::Static, -1, "Critical points, molecular graphs, atomic basins", 40, 34, 185, 8},
            {ControlKind::Static, -1, "and interatomic surfaces from wavefunction files", 40, 46, 185, 8},
            {ControlKind::PushButton, zel::IDOK, "OK", 178, 62, 50, 14, ctl::kDefault},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(AboutTemplate);

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : CDialog(AboutTemplate(), parent) {}

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("AboutIcon"));
    icon->setPixmap(ZelmoraIcon().pixmap(32, 32));
    icon->setGeometry(zel::DialogUnitsToPixels(BaseUnits(), 10, 10, 21, 20));
    return true;
}

QIcon ZelmoraIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double s = size / 64.0;
        // Two atoms and their bond path, density shaded.
        painter.setPen(QPen(QColor(40, 40, 40), 3 * s));
        painter.drawLine(QPointF(18 * s, 40 * s), QPointF(46 * s, 24 * s));
        for (const QPointF centre : {QPointF(18 * s, 40 * s), QPointF(46 * s, 24 * s)}) {
            QRadialGradient gradient(centre, 14 * s);
            gradient.setColorAt(0.0, QColor(255, 240, 160));
            gradient.setColorAt(1.0, QColor(200, 60, 30));
            painter.setPen(Qt::NoPen);
            painter.setBrush(gradient);
            painter.drawEllipse(centre, 13 * s, 13 * s);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}
