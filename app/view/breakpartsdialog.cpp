#include "breakpartsdialog.h"

#include "cutlist.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

BreakPartsDialog::BreakPartsDialog(const std::vector<BreakPart> &parts, QWidget *parent)
    : QDialog(parent)
    , m_parts(parts)
{
    setObjectName(QStringLiteral("frmBreakParts"));
    setWindowTitle(tr("Add Breaks to List"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *caption = new QLabel(tr("Tick the parts to add to the cut list:"), this);
    layout->addWidget(caption);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstBreakParts"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({tr("Start"), tr("End"), tr("Length")});
    m_list->setAccessibleName(tr("Parts between the breaks"));
    caption->setBuddy(m_list);
    for (const BreakPart &part : m_parts) {
        auto *item = new QTreeWidgetItem(m_list, {cutTimeText(part.start, true), cutTimeText(part.end, true),
                                                  cutTimeText(part.end - part.start, true)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    layout->addWidget(m_list);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *add = buttons->addButton(tr("Add"), QDialogButtonBox::AcceptRole);
    add->setObjectName(QStringLiteral("cmdAddParts"));
    add->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancelParts"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        emit partsChosen(ticked());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::vector<BreakPart> BreakPartsDialog::ticked() const
{
    std::vector<BreakPart> chosen;
    for (int i = 0; i < m_list->topLevelItemCount() && i < int(m_parts.size()); ++i) {
        if (m_list->topLevelItem(i)->checkState(0) == Qt::Checked)
            chosen.push_back(m_parts[size_t(i)]);
    }
    return chosen;
}
