#include "qt_help_window.h"

#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "shown_state.h"

namespace clickora::platform::qt {
namespace {

// The text of the page's first top-level heading.
QString FirstHeading(const QTextDocument& document) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block.blockFormat().headingLevel() == 1) return block.text().trimmed();
  }
  return {};
}

QToolButton* Button(const QString& text, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return button;
}

}  // namespace

QtHelpWindow::QtHelpWindow() : QWidget(nullptr, Qt::Window) {
  setObjectName(QStringLiteral("HelpWindow"));
  back_ = Button(QStringLiteral("ย้อนกลับ"), this);
  forward_ = Button(QStringLiteral("ถัดไป"), this);
  home_ = Button(QStringLiteral("หน้าแรก"), this);
  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(true);  // a web address goes to the desktop's browser

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(back_);
  buttons->addWidget(forward_);
  buttons->addWidget(home_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(browser_);

  connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(home_, &QToolButton::clicked, browser_, &QTextBrowser::home);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this,
          [this](const QUrl& page) { OnSourceChanged(page); });
  // Esc puts the help away, as it does a dialog.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &QWidget::close);
  back_->setEnabled(false);
  forward_->setEnabled(false);
  resize(720, 600);
}

QtHelpWindow::~QtHelpWindow() = default;

bool QtHelpWindow::ShowPage(const QString& path) {
  const QFileInfo file(path);
  if (!file.isFile()) return false;
  const QUrl page = QUrl::fromLocalFile(file.absoluteFilePath());
  if (browser_->source() == page) {
    browser_->reload();
  } else {
    browser_->clearHistory();
    browser_->setSource(page);
  }
  show();
  raise();
  activateWindow();
  browser_->setFocus();  // Tab then goes from link to link, Return follows one
  return true;
}

void QtHelpWindow::FollowModal(QWidget* modal) {
  if (modal == nullptr || modal == modal_ || modal == this) return;
  auto* dialog = qobject_cast<QDialog*>(modal);
  if (dialog == nullptr) return;
  const QRect place = geometry();
  const bool visible = isVisible();
  setParent(dialog, Qt::Window);
  setGeometry(place);
  if (visible) show();
  modal_ = dialog;
  // Back to a window of its own before the dialog goes, taking its children with it.
  connect(dialog, &QDialog::finished, this, [this] {
    const QRect where = geometry();
    const bool shown = isVisible();
    setParent(nullptr, Qt::Window);
    setGeometry(where);
    if (shown) show();
    modal_ = nullptr;
  });
}

void QtHelpWindow::OnSourceChanged(const QUrl& page) {
  const QString title = browser_->documentTitle();
  setWindowTitle(title);
  if (ShownStateObserver* observer = InstalledShownStateObserver(); observer != nullptr) {
    observer->HelpPageShown(title.toStdString(), FirstHeading(*browser_->document()).toStdString(),
                            page.fileName().toStdString());
  }
}

}  // namespace clickora::platform::qt
