#include "app/fOpenAIAssistant_Qt.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include "base/ozkStringList.h"

namespace {

QString Q(const std::u16string& aText) {
  return QString::fromStdU16String(aText);
}

template <typename W> W* Named(W* aWidget, const char* aName) {
  aWidget->setObjectName(QString::fromLatin1(aName));
  return aWidget;
}

QLabel* Caption(const char* aName, const QString& aText, QWidget* aBuddy) {
  auto* l = Named(new QLabel(aText), aName);
  l->setBuddy(aBuddy);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return l;
}

QSlider* Slider(const char* aName, int aMax) {
  auto* s = Named(new QSlider(Qt::Horizontal), aName);
  s->setRange(0, aMax);
  s->setValue(1);
  s->setPageStep(1);
  s->setTickPosition(QSlider::TicksBelow);
  s->setTickInterval(1);
  s->setFixedWidth(160);
  return s;
}

// A slider with its position written beside it.
QWidget* WithValue(QSlider* aSlider) {
  auto* box = new QWidget;
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  auto* value = new QLabel(QString::number(aSlider->value()));
  value->setMinimumWidth(16);
  QObject::connect(aSlider, &QSlider::valueChanged, value,
                   [value](int v) { value->setText(QString::number(v)); });
  row->addWidget(aSlider);
  row->addWidget(value);
  row->addStretch();
  return box;
}

// The controller's whole text (every line followed by CR LF) from a plain-text editor's text.
std::u16string WholeText(const QPlainTextEdit* aMemo) {
  const QString text = aMemo->toPlainText();
  if (text.isEmpty()) return std::u16string();
  TStringList lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) lines.Add(line.toStdU16String());
  return lines.Text();
}

QString EditorText(const std::u16string& aWholeText) {
  TStringList lines;
  lines.SetText(aWholeText);
  QStringList out;
  for (const auto& l : lines) out << Q(l);
  return out.join(QLatin1Char('\n'));
}

} // namespace

TFRMOpenAIAssistantWindow::TFRMOpenAIAssistantWindow(std::u16string aSettingsFileName,
                                                     QWidget* aParent)
    : QWidget(aParent) {
  setObjectName(QStringLiteral("FRMOpenAIAssistant"));
  setWindowTitle(QStringLiteral("OpenAI Assistant - Marrowind Software"));

  pageMain = Named(new QTabWidget, "pageMain");
  tabLog = BuildLogTab();
  tabConfiguration = BuildConfigurationTab();
  pageMain->addTab(tabLog, QStringLiteral("Log"));
  pageMain->addTab(tabConfiguration, QStringLiteral("Configuration"));
  pageMain->setCurrentWidget(tabConfiguration);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(10, 10, 10, 10);
  root->setSpacing(8);
  root->addWidget(pageMain, 1);
  root->addWidget(BuildMessageArea(), 0);
  resize(ClientWidth, ClientHeight);

  FController = std::make_unique<TFRMOpenAIAssistant>(*this, std::move(aSettingsFileName));
  connect(btnSendMessage, &QPushButton::clicked, this,
          [this] { FController->RunEvent(&TFRMOpenAIAssistant::btnSendMessageClick); });
  connect(btnCreateAssistant, &QPushButton::clicked, this,
          [this] { FController->RunEvent(&TFRMOpenAIAssistant::btnCreateAssistantClick); });
  connect(btnVectorStoreUploadFile, &QPushButton::clicked, this,
          [this] { FController->RunEvent(&TFRMOpenAIAssistant::btnVectorStoreUploadFileClick); });
  // Ctrl+Q closes the window like its close button (the settings are saved on the way out).
  auto* quit = new QShortcut(QKeySequence::Quit, this);
  connect(quit, &QShortcut::activated, this, &QWidget::close);
  // Only a choice by the user is a change; the controller applies the preset itself on load.
  connect(cboAssistant, &QComboBox::activated, this,
          [this] { FController->RunEvent(&TFRMOpenAIAssistant::cboAssistantChange); });
}

TFRMOpenAIAssistantWindow::~TFRMOpenAIAssistantWindow() {
  while (FBusyDepth > 0) ShowNormalCursor();
}

QWidget* TFRMOpenAIAssistantWindow::BuildLogTab() {
  auto* tab = Named(new QWidget, "tabLog");
  memoLog = Named(new QPlainTextEdit, "memoLog");
  memoLog->setReadOnly(true);
  memoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memoLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(memoLog);
  return tab;
}

QWidget* TFRMOpenAIAssistantWindow::BuildConfigurationTab() {
  auto* tab = Named(new QWidget, "tabConfiguration");

  txtAPIKey = Named(new QLineEdit, "txtAPIKey");
  txtAPIKey->setEchoMode(QLineEdit::Password);
  txtAPIKey->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
  txtBaseURL = Named(new QLineEdit, "txtBaseURL");
  txtBaseURL->setPlaceholderText(QStringLiteral("empty: the public OpenAI service"));
  txtBaseURL->setToolTip(
      QStringLiteral("Origin of a compatible server, for example http://127.0.0.1:8080"));

  auto* service = new QGridLayout;
  service->setHorizontalSpacing(10);
  service->setVerticalSpacing(6);
  service->addWidget(Caption("Label1", QStringLiteral("OpenAI API Key:"), txtAPIKey), 0, 0);
  service->addWidget(txtAPIKey, 0, 1);
  service->addWidget(Caption("LabelBaseURL", QStringLiteral("Base URL"), txtBaseURL), 1, 0);
  service->addWidget(txtBaseURL, 1, 1);
  service->setColumnStretch(1, 1);
  service->setColumnMinimumWidth(0, 110);

  pageConfiguration = Named(new QTabWidget, "pageConfiguration");
  tabAssistant = BuildAssistantTab();
  pageConfiguration->addTab(tabAssistant, QStringLiteral("Assistant"));

  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(8, 10, 8, 8);
  layout->setSpacing(10);
  layout->addLayout(service);
  layout->addWidget(pageConfiguration, 1);
  return tab;
}

QWidget* TFRMOpenAIAssistantWindow::BuildAssistantTab() {
  auto* tab = Named(new QWidget, "tabAssistant");

  cboAssistant = Named(new QComboBox, "cboAssistant");
  cboAssistant->addItems(
      {QStringLiteral("Delphi Math Tutor"), QStringLiteral("Brindlecast HelpDesk")});
  cboAssistant->setCurrentIndex(0);
  cboAssistant->setMinimumWidth(220);
  btnCreateAssistant =
      Named(new QPushButton(QStringLiteral("Create Assistant")), "btnCreateAssistant");

  txtAssistantName = Named(new QLineEdit(QStringLiteral("Delphi Math Tutor")), "txtAssistantName");
  memoAssistantInstructions = Named(new QPlainTextEdit, "memoAssistantInstructions");
  memoAssistantInstructions->setPlainText(
      QStringLiteral("You are a personal math tutor. Answer questions briefly, in a sentence or "
                     "less. When asked a question, use Delphi \ncode to answer the question."));
  memoAssistantInstructions->setMinimumHeight(90);
  txtAssistantModel = Named(new QLineEdit(QStringLiteral("gpt-4o-mini")), "txtAssistantModel");

  chkAssistantFileSearch =
      Named(new QCheckBox(QStringLiteral("File Search")), "chkAssistantFileSearch");
  chkAssistantCodeInterpreter =
      Named(new QCheckBox(QStringLiteral("Code Interpreter")), "chkAssistantCodeInterpreter");
  chkAssistantCodeInterpreter->setChecked(true);
  auto* tools = new QHBoxLayout;
  tools->addWidget(chkAssistantFileSearch);
  tools->addSpacing(16);
  tools->addWidget(chkAssistantCodeInterpreter);
  tools->addStretch();

  txtVectorStore = Named(new QLineEdit(QStringLiteral("ozkVectorStore")), "txtVectorStore");
  cboVectorStoreFiles = Named(new QComboBox, "cboVectorStoreFiles");
  cboVectorStoreFiles->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  btnVectorStoreUploadFile =
      Named(new QPushButton(QStringLiteral("+ Files")), "btnVectorStoreUploadFile");

  trackAssistantTemperature = Slider("trackAssistantTemperature", 2);
  trackAssistantTopP = Slider("trackAssistantTopP", 1);

  auto* preset = new QHBoxLayout;
  preset->addWidget(cboAssistant);
  preset->addWidget(btnCreateAssistant);
  preset->addStretch();
  auto* files = new QHBoxLayout;
  files->addWidget(cboVectorStoreFiles, 1);
  files->addWidget(btnVectorStoreUploadFile);

  auto* grid = new QGridLayout(tab);
  grid->setContentsMargins(10, 10, 10, 10);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(8);
  grid->setColumnMinimumWidth(0, 90);
  int row = 0;
  grid->addWidget(Caption("Label8", QStringLiteral("Assistant"), cboAssistant), row, 0);
  grid->addLayout(preset, row++, 1);
  grid->addWidget(Caption("Label2", QStringLiteral("Name"), txtAssistantName), row, 0);
  grid->addWidget(txtAssistantName, row++, 1);
  auto* instructions = Caption("Label3", QStringLiteral("Instructions"), memoAssistantInstructions);
  instructions->setAlignment(Qt::AlignRight | Qt::AlignTop);
  grid->addWidget(instructions, row, 0);
  grid->addWidget(memoAssistantInstructions, row, 1);
  grid->setRowStretch(row++, 1);
  grid->addWidget(Caption("Label4", QStringLiteral("Model"), txtAssistantModel), row, 0);
  grid->addWidget(txtAssistantModel, row++, 1);
  grid->addLayout(tools, row++, 1);
  grid->addWidget(Caption("Label9", QStringLiteral("Vector Store"), txtVectorStore), row, 0);
  grid->addWidget(txtVectorStore, row++, 1);
  grid->addWidget(Caption("Label10", QStringLiteral("Files"), cboVectorStoreFiles), row, 0);
  grid->addLayout(files, row++, 1);
  grid->addWidget(Caption("Label5", QStringLiteral("Temperature"), trackAssistantTemperature), row,
                  0);
  grid->addWidget(WithValue(trackAssistantTemperature), row++, 1);
  grid->addWidget(Caption("Label6", QStringLiteral("TopP"), trackAssistantTopP), row, 0);
  grid->addWidget(WithValue(trackAssistantTopP), row++, 1);
  grid->setColumnStretch(1, 1);
  return tab;
}

QWidget* TFRMOpenAIAssistantWindow::BuildMessageArea() {
  auto* area = new QWidget;
  memoMessage = Named(new QPlainTextEdit, "memoMessage");
  memoMessage->setPlainText(
      QStringLiteral("I need to solve the equation `3x + 11 = 14`. Can you help me?"));
  memoMessage->setFixedHeight(memoMessage->fontMetrics().lineSpacing() * 4 + 12);
  btnSendMessage = Named(new QPushButton(QStringLiteral("Send")), "btnSendMessage");
  btnSendMessage->setDefault(true);
  btnSendMessage->setMinimumWidth(90);

  auto* label = Named(new QLabel(QStringLiteral("Message")), "Label7");
  label->setBuddy(memoMessage);
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  grid->addWidget(label, 0, 0, 1, 2);
  grid->addWidget(memoMessage, 1, 0);
  grid->addWidget(btnSendMessage, 1, 1, Qt::AlignTop);
  grid->setColumnStretch(0, 1);
  return area;
}

void TFRMOpenAIAssistantWindow::CenterOnScreen() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect avail = screen->availableGeometry();
  const QSize frame = frameGeometry().size();
  move(avail.x() + (avail.width() - frame.width()) / 2,
       avail.y() + (avail.height() - frame.height()) / 2);
}

QLineEdit* TFRMOpenAIAssistantWindow::Field(TOpenAIAssistantField aField) const {
  switch (aField) {
  case afAPIKey:
    return txtAPIKey;
  case afBaseURL:
    return txtBaseURL;
  case afAssistantName:
    return txtAssistantName;
  case afAssistantModel:
    return txtAssistantModel;
  case afVectorStore:
    return txtVectorStore;
  }
  return txtAPIKey;
}

QPlainTextEdit* TFRMOpenAIAssistantWindow::Memo(TOpenAIAssistantMemo aMemo) const {
  return aMemo == amMessage ? memoMessage : memoAssistantInstructions;
}

std::u16string TFRMOpenAIAssistantWindow::GetText(TOpenAIAssistantField aField) const {
  return Field(aField)->text().toStdU16String();
}

void TFRMOpenAIAssistantWindow::SetText(TOpenAIAssistantField aField, const std::u16string& aText) {
  Field(aField)->setText(Q(aText));
}

std::u16string TFRMOpenAIAssistantWindow::GetMemoText(TOpenAIAssistantMemo aMemo) const {
  return WholeText(Memo(aMemo));
}

void TFRMOpenAIAssistantWindow::SetMemoText(TOpenAIAssistantMemo aMemo,
                                            const std::u16string& aText) {
  Memo(aMemo)->setPlainText(EditorText(aText));
}

void TFRMOpenAIAssistantWindow::AddLogEntry(const std::u16string& aText) {
  QString text = Q(aText);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QTextCursor end(memoLog->document());
  end.movePosition(QTextCursor::End);
  end.insertText(text + QLatin1Char('\n'));
  memoLog->verticalScrollBar()->setValue(memoLog->verticalScrollBar()->maximum());
}

void TFRMOpenAIAssistantWindow::ClearVectorStoreFiles() {
  cboVectorStoreFiles->clear();
}

void TFRMOpenAIAssistantWindow::AddVectorStoreFile(const std::u16string& aFileId) {
  cboVectorStoreFiles->addItem(Q(aFileId));
}

int TFRMOpenAIAssistantWindow::VectorStoreFileCount() const {
  return cboVectorStoreFiles->count();
}

int TFRMOpenAIAssistantWindow::GetAssistantIndex() const {
  return cboAssistant->currentIndex();
}

void TFRMOpenAIAssistantWindow::SetAssistantIndex(int aIndex) {
  cboAssistant->setCurrentIndex(aIndex >= 0 && aIndex < cboAssistant->count() ? aIndex : -1);
}

bool TFRMOpenAIAssistantWindow::GetChecked(TOpenAIAssistantCheck aCheck) const {
  return (aCheck == acFileSearch ? chkAssistantFileSearch : chkAssistantCodeInterpreter)
      ->isChecked();
}

void TFRMOpenAIAssistantWindow::SetChecked(TOpenAIAssistantCheck aCheck, bool aValue) {
  (aCheck == acFileSearch ? chkAssistantFileSearch : chkAssistantCodeInterpreter)
      ->setChecked(aValue);
}

int TFRMOpenAIAssistantWindow::GetPosition(TOpenAIAssistantSlider aSlider) const {
  return (aSlider == asTemperature ? trackAssistantTemperature : trackAssistantTopP)->value();
}

void TFRMOpenAIAssistantWindow::SetPosition(TOpenAIAssistantSlider aSlider, int aValue) {
  (aSlider == asTemperature ? trackAssistantTemperature : trackAssistantTopP)->setValue(aValue);
}

void TFRMOpenAIAssistantWindow::ShowTab(TOpenAIAssistantTab aTab) {
  pageMain->setCurrentWidget(aTab == atLog ? tabLog : tabConfiguration);
}

bool TFRMOpenAIAssistantWindow::ChooseFile(std::u16string& aFileName) {
  const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Open"));
  if (file.isEmpty()) return false;
  aFileName = file.toStdU16String();
  return true;
}

void TFRMOpenAIAssistantWindow::ShowError(const std::u16string& aMessage) {
  // The busy cursor is not the pointer to show over an error box.
  const int busy = FBusyDepth;
  for (int i = 0; i < busy; ++i) QApplication::restoreOverrideCursor();
  QMessageBox box(QMessageBox::Critical, windowTitle(), Q(aMessage), QMessageBox::Ok, this);
  box.setObjectName(QStringLiteral("ErrorBox"));
  box.exec();
  for (int i = 0; i < busy; ++i) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TFRMOpenAIAssistantWindow::ShowBusyCursor() {
  ++FBusyDepth;
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TFRMOpenAIAssistantWindow::ShowNormalCursor() {
  if (FBusyDepth == 0) return;
  --FBusyDepth;
  QApplication::restoreOverrideCursor();
}

void TFRMOpenAIAssistantWindow::Terminate() {
  FTerminated = true;
  close();
  // Queued, so that it also ends an event loop that has not started yet.
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
