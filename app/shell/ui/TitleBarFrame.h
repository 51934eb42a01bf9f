#pragma once
// The caption of every frameless window. In main-window mode (inside
// MainFrame) it shows the logos, the information button with its menu
// (protocol, language, settings where the edition keeps its own password,
// About), minimise, restore / maximise and close; editions with a button bar
// show a language and a search-protocol button instead of the menu's entries
// (EditionProfile::TitleBar says which parts an edition has). In dialog mode
// (inside every BaseDialog) it shows the title and a close button.
//
// Drags on the bar become TitleMoveRequest(global position of the window's
// top-left corner); the close button emits CloseRequest(-1). Language and
// protocol choices go to GKAppSetting, which saves them and broadcasts the
// change; the bar retranslates itself on that broadcast.
#include <QFrame>
#include <QList>
#include <QPoint>

struct EditionProfile;
class QAction;
class QLabel;
class QMenu;
class QToolButton;

class TitleBarFrame : public QFrame
{
    Q_OBJECT

public:
    TitleBarFrame(QWidget* parent, bool mainWindowMode);
    ~TitleBarFrame() override;

    // The dialog title; nothing in main-window mode.
    void setTitle(const QString& title);
    // Shows or hides the information menu's protocol entry.
    void setProtocolActionVisible(bool visible);
    // Sets the logo picture for language position `languageIndex`.
    void updateLogo(int languageIndex);
    // Sets every text again and rebuilds the language and protocol actions.
    void retranslate();

    bool isMainWindowMode() const { return m_mainWindowMode; }
    bool isDragging() const { return m_dragging; }

    // The parts, for the main window and for tests; null where the edition
    // or the mode has none.
    QLabel* topLogoLabel() const { return m_topLogo; }
    QLabel* logoLabel() const { return m_logo; }
    QLabel* secondLogoLabel() const { return m_secondLogo; }
    QLabel* titleLabel() const { return m_titleLabel; }
    QToolButton* infoButton() const { return m_infoButton; }
    QToolButton* languageButton() const { return m_languageButton; }
    QToolButton* minimizeButton() const { return m_minButton; }
    QToolButton* restoreButton() const { return m_restoreButton; }
    QToolButton* closeButton() const { return m_closeButton; }
    QToolButton* maximizeButton() const { return m_maxButton; }
    QToolButton* searchProtocolButton() const { return m_searchButton; }
    QMenu* infoMenu() const { return m_infoMenu; }
    QMenu* languageMenu() const { return m_languageMenu; }
    QMenu* protocolMenu() const { return m_protocolMenu; }
    QMenu* searchProtocolMenu() const { return m_searchProtoMenu; }
    QAction* languageEntry() const { return m_languageEntry; }
    QAction* aboutEntry() const { return m_aboutEntry; }
    QAction* protocolEntry() const { return m_protocolEntry; }
    QAction* settingsEntry() const { return m_settingsEntry; }
    QList<QAction*> languageActions() const { return m_languageActions; }
    QList<QAction*> protocolActions() const { return m_protocolActions; }
    QList<QAction*> searchProtocolActions() const { return m_searchProtoActions; }

signals:
    void CloseRequest(int code);
    void MinReqest();
    void Restore();
    void RestoreOrMax();
    void TitleMoveRequest(QPoint position);

public slots:
    void OnBtnInfo();
    void OnBtnClose();
    void OnRestore();
    void ChangeLanguage(QAction* action);
    void ShowAboutWindow();
    void ChangeProtocol(QAction* action);
    void ShowSearchProtoWindow();
    void ChangeSearchProto(QAction* action);
    void ShowSettingsWindow();

protected:
    void customEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createMainWidgets();
    void createMenus();
    void createTitleLabel();
    void buildLayout();
    void connectSignals();
    QToolButton* makeButton(const char* objectName, bool fixedSize = true);
    QLabel* makeLogo(const char* resource);
    void buildLanguageActions();
    void buildProtocolActions();
    void buildSearchProtocolActions();
    void placeTitleLabel();

    QLabel* m_topLogo = nullptr;
    QLabel* m_logo = nullptr;
    QLabel* m_secondLogo = nullptr;
    // The logo whose picture follows the language (one of the three above,
    // or none).
    QLabel* m_languageLogo = nullptr;
    QLabel* m_titleLabel = nullptr;
    QToolButton* m_infoButton = nullptr;
    QToolButton* m_languageButton = nullptr;
    QToolButton* m_minButton = nullptr;
    QToolButton* m_restoreButton = nullptr;
    QToolButton* m_closeButton = nullptr;
    QToolButton* m_maxButton = nullptr;
    QToolButton* m_searchButton = nullptr;
    bool m_mainWindowMode = false;
    bool m_dragging = false;
    bool m_showLogo = true;
    bool m_restoreState = false;
    QPoint m_pressPosition;
    QMenu* m_infoMenu = nullptr;
    QMenu* m_languageMenu = nullptr;
    QMenu* m_protocolMenu = nullptr;
    QMenu* m_searchProtoMenu = nullptr;
    QAction* m_languageEntry = nullptr;
    QAction* m_aboutEntry = nullptr;
    QAction* m_protocolEntry = nullptr;
    QAction* m_settingsEntry = nullptr;
    QList<QAction*> m_languageActions;
    QList<QAction*> m_protocolActions;
    QList<QAction*> m_searchProtoActions;
    const EditionProfile* m_profile = nullptr;
};
