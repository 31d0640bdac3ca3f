#pragma once

#include "breakparts.h"
#include "cutworkflow.h"
#include "windowservices.h"

#include <QObject>

#include <functional>
#include <memory>

class CutListModel;
class CutListRunner;
class FramePanel;
class PanelSlider;
class PictureButton;
class QListView;
class QWidget;

// The cut list's side of the window: Add to List beside the marks, Cut
// List... beside Start, and the frList panel with the list and its buttons.
// It finds its controls in the window by name, shows the list (kept in the
// settings folder) in a view made inside frList, and runs it through
// CutListRunner.
class CutListPanel final : public QObject
{
    Q_OBJECT

public:
    // choices: the window's option controls now, as Start would take them.
    CutListPanel(QWidget &window, const WindowServices &services, CutWorkflow &flow, PanelSlider &panels,
                 std::function<CutChoices()> choices, QObject *parent = nullptr);
    ~CutListPanel() override;

    CutListModel &model() { return *m_model; }
    CutListRunner &runner() { return *m_runner; }
    QListView &view() { return *m_view; }

    // Add to List: the loaded video's marked part with the choices, after the
    // checks Start makes. False, with Start's message, when refused.
    bool addCurrent();
    // Add Breaks to List: each part of the loaded video as an entry with exact marks and the
    // choices, in order. Returns how many were added.
    int addParts(const std::vector<BreakPart> &parts);
    void clearAsked(); // Clear, asking first when cuts wait

private:
    QList<int> selectedRows() const;
    void showErrors();
    void updateButtons();

    QWidget &m_window;
    WindowServices m_services;
    CutWorkflow &m_flow;
    PanelSlider &m_panels;
    std::function<CutChoices()> m_choices;
    std::unique_ptr<CutListModel> m_model;
    std::unique_ptr<CutListRunner> m_runner;
    FramePanel *m_frList = nullptr;
    QListView *m_view = nullptr;
    PictureButton *m_cmdRunList = nullptr;
};
