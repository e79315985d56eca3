#include "window/ProgressBar.h"

#include "window/ProgressLabel.h"
#include "window/SkinImage.h"
#include "window/WindowLayout.h"

#include <QMenu>

ProgressBar::ProgressBar(QWidget* window, const SkinPicture& fill, std::function<void()> askToStop)
    : imgPB(new SkinImage(window)), lblPB(new ProgressLabel(QStringLiteral("0%"), window)),
      m_menu(new QMenu(window)) {
    imgPB->setGeometry(layout::kProgressBar);
    imgPB->Show(fill);
    lblPB->setGeometry(layout::kProgressText);
    lblPB->setAlignment(Qt::AlignCenter);
    QFont bold = lblPB->font();
    bold.setPointSizeF(7.5);
    bold.setBold(true);
    lblPB->setFont(bold);
    SetTextColour(lblPB, Qt::black);
    m_menu->addAction(QStringLiteral("停止转换…"), m_menu, std::move(askToStop));
    Show(0, lblPB->text());
}

void ProgressBar::Show(double fraction, const QString& text) {
    imgPB->resize(qRound(fraction * layout::kProgressBar.width()), imgPB->height());
    imgPB->setVisible(imgPB->width() > 0);
    lblPB->SetValue(qRound(fraction * 100));
    lblPB->setText(text);
}

void ProgressBar::ShowPlace(const QString& place) {
    lblPB->SetDetail(place);
    const QString tip = place.isEmpty() ? place : place + QStringLiteral("\n按 Esc 可停止转换");
    imgPB->setToolTip(tip);
    lblPB->setToolTip(tip);
}

void ProgressBar::ShowMenu(const QPoint& globalPos, bool running) {
    m_menu->actions().constFirst()->setEnabled(running);
    m_menu->popup(globalPos);
}
