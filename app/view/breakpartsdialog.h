#pragma once

#include "breakparts.h"

#include <QDialog>

#include <vector>

class QTreeWidget;

// Add Breaks to List: the parts between the breaks found, each with its start, end and length
// and a tick box, none ticked at first. Add hands over the ticked parts. Opened with open(), so
// that the window's event loop goes on and nothing waits for it.
class BreakPartsDialog final : public QDialog
{
    Q_OBJECT

public:
    BreakPartsDialog(const std::vector<BreakPart> &parts, QWidget *parent = nullptr);

    QTreeWidget &list() { return *m_list; }
    std::vector<BreakPart> ticked() const;

signals:
    void partsChosen(const std::vector<BreakPart> &parts);

private:
    std::vector<BreakPart> m_parts;
    QTreeWidget *m_list = nullptr;
};
