// The commands "Экспорт в iCalendar..." and "Импорт из iCalendar...": a
// file dialog, then the export, or the import with its preview and its
// summary. Failures are told in message boxes; nothing is half done.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

class TIcalCommands : public QObject {
    Q_OBJECT
  public:
    explicit TIcalCommands(QWidget* window);

    void ExportCalendar();
    void ImportCalendar();

    // Runs after an import has added rows: the lists and the calendar are
    // to be shown anew.
    std::function<void()> AfterImport;
    // The folder the file dialogs open in first (the home folder).
    QString StartFolder;

  private:
    bool Connected(const QString& title);
    void Import(const QString& path);

    QWidget* window_;
};
