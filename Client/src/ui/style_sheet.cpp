#include "ui/style_sheet.h"

namespace nimbral {

QString applicationStyleSheet() {
    return QStringLiteral(R"css(
QWidget {
    background-color: #1a1a2e;
    color: #e0e0e0;
    font-size: 13px;
}
QMainWindow, QDialog {
    background-color: #1a1a2e;
}
QFrame#card, QFrame#panel, QTabWidget::pane, QToolTip, QMessageBox {
    background-color: #16213e;
}
QTabWidget::pane {
    border: 1px solid #2a3a5e;
    border-radius: 6px;
}
QToolTip {
    color: #e0e0e0;
    border: 1px solid #2a3a5e;
    padding: 4px;
}
QLabel, QCheckBox, QRadioButton {
    background: transparent;
}
QLineEdit, QComboBox, QSpinBox {
    background-color: #0d1b2a;
    border: 1px solid #2a3a5e;
    border-radius: 5px;
    padding: 6px 10px;
    color: #e0e0e0;
    selection-background-color: #4da6ff;
    selection-color: #0d1b2a;
}
QSpinBox {
    padding-right: 20px;
}
QSpinBox::up-button, QSpinBox::down-button {
    subcontrol-origin: border;
    width: 18px;
    background-color: #1e2d4a;
    border: none;
    border-left: 1px solid #2a3a5e;
}
QSpinBox::up-button {
    subcontrol-position: top right;
    border-top-right-radius: 5px;
}
QSpinBox::down-button {
    subcontrol-position: bottom right;
    border-bottom-right-radius: 5px;
}
QSpinBox::up-button:hover, QSpinBox::down-button:hover {
    background-color: #2a3a5e;
}
QSpinBox::up-arrow {
    image: url(:/icons/spin_up);
}
QSpinBox::down-arrow {
    image: url(:/icons/spin_down);
}
QLineEdit:focus, QComboBox:focus, QSpinBox:focus {
    border: 1px solid #4da6ff;
}
QLineEdit:disabled, QComboBox:disabled, QSpinBox:disabled {
    color: #4a5568;
}
QComboBox QAbstractItemView {
    background-color: #0d1b2a;
    border: 1px solid #2a3a5e;
    selection-background-color: #4da6ff;
    selection-color: #0d1b2a;
}
QPushButton {
    background-color: #1e2d4a;
    border: 1px solid #2a3a5e;
    border-radius: 5px;
    padding: 5px 14px;
    color: #e0e0e0;
}
QPushButton:hover {
    background-color: #2a3a5e;
}
QPushButton:pressed {
    background-color: #3a4a6e;
}
QPushButton:disabled {
    background-color: #111827;
    color: #4a5568;
}
QPushButton[look="primary"] {
    background-color: #4da6ff;
    color: #0d1b2a;
    font-weight: bold;
    border: none;
    padding: 8px 14px;
}
QPushButton[look="primary"]:hover {
    background-color: #74bcff;
}
QPushButton[look="primary"]:pressed {
    background-color: #2a8fff;
}
QPushButton[look="primary"]:disabled {
    background-color: #1e3a5e;
    color: #4a5568;
}
QPushButton[look="flat"] {
    background: transparent;
    border: none;
    color: #9aa5c4;
    padding: 4px;
}
QPushButton[look="flat"]:hover {
    color: #4da6ff;
}
QToolButton {
    background-color: transparent;
    border: none;
    border-radius: 4px;
    color: #9aa5c4;
    padding: 4px;
}
QToolButton:hover {
    background-color: #1e2d4a;
}
QToolBar {
    background-color: #0d1b2a;
    border: none;
    spacing: 4px;
}
QGroupBox {
    border: 1px solid #2a3a5e;
    border-radius: 6px;
    margin-top: 14px;
    padding-top: 6px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    left: 10px;
    padding: 0 4px;
    color: #9aa5c4;
    font-size: 10px;
}
QListWidget, QListView, QTreeWidget, QTreeView, QTableWidget, QTableView, QTextEdit,
QPlainTextEdit {
    background-color: #0d1b2a;
    alternate-background-color: #111827;
    border: 1px solid #2a3a5e;
    border-radius: 5px;
    selection-background-color: #4da6ff;
    selection-color: #0d1b2a;
}
QHeaderView::section {
    background-color: #0d1b2a;
    color: #9aa5c4;
    border: none;
    border-bottom: 1px solid #2a3a5e;
    padding: 4px 6px;
    font-size: 11px;
}
QTabBar::tab {
    background-color: #0d1b2a;
    color: #9aa5c4;
    padding: 6px 14px;
    border: none;
    border-bottom: 2px solid transparent;
}
QTabBar::tab:selected {
    color: #e0e0e0;
    border-bottom: 2px solid #4da6ff;
}
QScrollBar:vertical {
    background-color: #0d1b2a;
    width: 7px;
    border-radius: 4px;
    margin: 0;
}
QScrollBar:horizontal {
    background-color: #0d1b2a;
    height: 7px;
    border-radius: 4px;
    margin: 0;
}
QScrollBar::handle {
    background-color: #2a3a5e;
    border-radius: 4px;
    min-height: 20px;
    min-width: 20px;
}
QScrollBar::handle:hover {
    background-color: #4da6ff;
}
QScrollBar::add-line, QScrollBar::sub-line {
    width: 0;
    height: 0;
    border: none;
    background: none;
}
QScrollBar::add-page, QScrollBar::sub-page {
    background: none;
}
QCheckBox::indicator, QRadioButton::indicator {
    width: 16px;
    height: 16px;
}
QCheckBox::indicator {
    border: 1px solid #9aa5c4;
    border-radius: 3px;
    background-color: #0d1b2a;
}
QCheckBox::indicator:checked {
    background-color: #4da6ff;
    border: 1px solid #4da6ff;
    image: url(:/icons/indicator_check);
}
QProgressBar {
    background-color: #0d1b2a;
    border: 1px solid #2a3a5e;
    border-radius: 5px;
    text-align: center;
    color: #e0e0e0;
}
QProgressBar::chunk {
    background-color: #2563a8; /* the percentage stands on it */
    border-radius: 4px;
}
QFrame[frameShape="4"], QFrame[frameShape="5"] {
    color: #2a3a5e;
    background-color: #2a3a5e;
}
QSplitter::handle {
    background-color: #2a3a5e;
}
QMenu {
    background-color: #16213e;
    border: 1px solid #2a3a5e;
}
QMenu::item:selected {
    background-color: #4da6ff;
    color: #0d1b2a;
}
QMenu::separator {
    height: 1px;
    background-color: #2a3a5e;
}
QFrame#deviceCard, QFrame#connectCard {
    background-color: #16213e;
    border-radius: 8px;
    border: 1px solid #2a3a5e;
}
QFrame#separator {
    background: #2a3a5e;
    margin: 2px 0;
}
QLabel#caption {
    font-size: 10px;
    color: #9aa5c4;
    letter-spacing: 1px;
}
QLabel#clientId {
    font-size: 26px;
    font-weight: bold;
    letter-spacing: 3px;
    color: #e0e0e0;
}
QLabel#sessionPassword {
    font-size: 20px;
    font-weight: bold;
    letter-spacing: 4px;
    font-family: monospace;
    color: #4da6ff;
}
QLabel#statusLine {
    font-size: 12px;
    padding-top: 4px;
}
QLabel#statusLine[tone="good"] {
    color: #4caf50;
}
QLabel#statusLine[tone="busy"] {
    color: #4da6ff;
}
QLabel#statusLine[tone="starting"] {
    color: #ffa726;
}
QLabel#statusLine[tone="warning"] {
    color: #ffb74d;
}
QLabel#statusLine[tone="bad"] {
    color: #ff6b6b;
}
)css");
}

} // namespace nimbral
