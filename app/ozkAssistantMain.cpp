// ozk-assistant: creates the one window, loads its settings (next to the executable), runs the
// event loop and saves the settings when the window goes away.
#include <QApplication>

#include "app/fOpenAIAssistant_Qt.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ozk-assistant"));

  TFRMOpenAIAssistantWindow window(
      SettingsFileNameFor(QCoreApplication::applicationFilePath().toStdU16String()));
  window.Controller().FormCreate();
  int rc = 1;
  if (!window.Terminated()) {
    window.show();
    window.CenterOnScreen();
    rc = QApplication::exec();
  }
  window.Controller().RunEvent(&TFRMOpenAIAssistant::FormDestroy);
  return rc;
}
