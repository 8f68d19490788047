#include "dialogs/ConvertFrm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "ui/Application.h"
#include "ui/FileListBox.h"

namespace verid {

namespace {

QListWidget* MakeList(QWidget* parent, const char* name, const QRect& place) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setGeometry(place);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setUniformItemSizes(true);
  return list;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int x) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(name);
  button->setGeometry(x, 252, 75, 25);
  button->setAutoDefault(false);
  return button;
}

// The run paints as it goes: the selection walks down the sources and each new file
// shows on the right at once.
class FormHost : public ConvertRunHost {
 public:
  FormHost(TConvertForm& form, std::function<void(int)> converted)
      : form_(form), converted_(std::move(converted)) {}
  void Select(int index) override {
    index_ = index;
    form_.FileListBox1->setCurrentRow(index);
    form_.FileListBox1->viewport()->repaint();
  }
  void Added(const std::string& name) override {
    form_.ListBox1->addItem(DisplayName(name));
    form_.ListBox1->scrollToBottom();
    // Nothing else is handled during a run: the lists are painted here and now.
    form_.FileListBox1->repaint();
    form_.ListBox1->repaint();
    converted_(index_);
  }

 private:
  TConvertForm& form_;
  std::function<void(int)> converted_;
  int index_ = -1;
};

}  // namespace

TConvertForm::TConvertForm(AppSettings& settings, Dialogs& dialogs, const std::string& folder,
                           QWidget* parent)
    : QDialog(parent), settings_(settings), dialogs_(dialogs), folder_(folder) {
  setObjectName("ConvertForm");
  setWindowTitle(QString::fromUtf8(kConvertFormCaption));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(UiFont());
  setFixedSize(402, 290);

  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setTextFormat(Qt::PlainText);  // holds a folder name, never markup
  Label1->setGeometry(16, 12, 370, 16);
  FileListBox1 = MakeList(this, "FileListBox1", QRect(16, 36, 177, 204));
  ListBox1 = MakeList(this, "ListBox1", QRect(209, 36, 177, 204));
  ListBox1->setSelectionMode(QAbstractItemView::NoSelection);
  FolderBtn = MakeButton(this, "FolderBtn", kConvertFolderButton, 16);
  StartBtn = MakeButton(this, "StartBtn", kConvertStartButton, 215);
  CancelBtn = MakeButton(this, "CancelBtn", kConvertCancelButton, 311);
  StartBtn->setDefault(true);

  sources_ = ConvertSources(folder_, settings_.ConvertKind);
  for (const std::string& name : sources_) FileListBox1->addItem(DisplayName(name));
  // The window starts without a destination, whatever was chosen last time.
  Paint();

  connect(FolderBtn, &QPushButton::clicked, this, &TConvertForm::FolderBtnClick);
  connect(StartBtn, &QPushButton::clicked, this, &TConvertForm::StartBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TConvertForm::Paint() {
  ConvertFormState state =
      MakeConvertFormState(static_cast<int>(sources_.size()), destination_, phase_);
  Label1->setText(DisplayName(state.Label));
  FolderBtn->setEnabled(state.FolderEnabled);
  StartBtn->setEnabled(state.StartEnabled);
  CancelBtn->setEnabled(state.CancelEnabled);
}

void TConvertForm::FolderBtnClick() {
  RunCommand(dialogs_, [this] {
    std::optional<std::string> destination = ChooseConvertDestination(settings_, dialogs_);
    if (!destination) return;
    destination_ = settings_.ConvertDestination = *destination;
    Paint();
  });
}

void TConvertForm::StartBtnClick() {
  if (!StartBtn->isEnabled()) return;
  phase_ = ConvertPhase::Running;
  Paint();
  CancelBtn->repaint();
  bool completed = false;
  RunCommand(dialogs_, [this, &completed] {
    if (sources_.empty()) {
      completed = true;
      return;
    }
    FormHost host(*this, [this](int index) { emit Converted(index); });
    RunBatchConvert(settings_.ConvertKind, folder_, sources_, destination_, settings_, dialogs_,
                    host, DefaultConvertWorkers());
    completed = true;
  });
  phase_ = completed ? ConvertPhase::Idle : ConvertPhase::Stopped;
  Paint();
}

}  // namespace verid
