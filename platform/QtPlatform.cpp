#include "platform/QtPlatform.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHostAddress>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QNetworkInterface>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <array>
#include <climits>
#include <limits>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/StringTable.h"
#include "platform/ProgramFont.h"
#include "platform/QtText.h"

namespace {

QWidget* DialogOwner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

QString Caption(const std::string& caption) { return ToQString(caption.empty() ? fkt_LoadResText(1000) : caption); }

// "description|pattern" to Qt's "description (pattern)" form.
QString QtFilter(const std::string& filter) {
  QString text = ToQString(filter);
  const qsizetype bar = text.indexOf('|');
  if (bar < 0) return text;
  const QString description = text.left(bar);
  const QString pattern = text.mid(bar + 1);
  return description.contains(pattern) ? description : description + " (" + pattern + ")";
}

// The suffix a "description|*.ext" choice gives a name, without the dot; ""
// for a pattern of another form.
QString FilterSuffix(const std::string& filter) {
  const std::size_t bar = filter.find('|');
  if (bar == std::string::npos) return {};
  const QString pattern = ToQString(filter.substr(bar + 1));
  if (!pattern.startsWith("*.")) return {};
  const QString suffix = pattern.mid(2);
  const bool plain =
      !suffix.isEmpty() && std::all_of(suffix.begin(), suffix.end(), [](QChar c) { return c.isLetterOrNumber(); });
  return plain ? suffix : QString();
}

// With several choices, the one made decides the suffix: a name typed
// without one gets it. (The dialog itself changes the suffix of a name in
// its field to that of a choice made.)
void FollowChosenFilter(QFileDialog& dialog, const FileDialogRequest& request) {
  auto suffixes = std::make_shared<QMap<QString, QString>>();
  (*suffixes)[QtFilter(request.filter)] = FilterSuffix(request.filter);
  for (const std::string& filter : request.moreFilters) (*suffixes)[QtFilter(filter)] = FilterSuffix(filter);
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, suffixes](const QString& chosen) {
    const QString suffix = suffixes->value(chosen);
    if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
  });
}

void SetUp(QFileDialog& dialog, const FileDialogRequest& request) {
  dialog.setWindowTitle(ToQString(request.title));
  QStringList filters{QtFilter(request.filter)};
  for (const std::string& filter : request.moreFilters) filters << QtFilter(filter);
  dialog.setNameFilters(filters);
  // Paths are bytes in the file system's own encoding.
  dialog.setDirectory(QFile::decodeName(request.initialFolder.c_str()));
  dialog.selectFile(ToQString(request.proposedName));
  dialog.setDefaultSuffix(ToQString(request.defaultExtension));
  if (!request.moreFilters.empty()) FollowChosenFilter(dialog, request);
}

std::optional<std::string> Run(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

// The IPv4 addresses the system's resolver (hosts file, DNS) gives for a
// name now. Asked directly rather than through Qt's lookup, which keeps each
// answer for a minute and so would hide a name that has just moved.
std::vector<std::string> ResolveIpv4(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  std::vector<std::string> addresses;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return addresses;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    std::array<char, INET_ADDRSTRLEN> text{};
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
    if (::inet_ntop(AF_INET, &address->sin_addr, text.data(), text.size()) != nullptr)
      addresses.emplace_back(text.data());
  }
  ::freeaddrinfo(found);
  return addresses;
}

// One lookup's answer on its way from the resolver's thread to the thread
// that asked. The receiver there may go first (it belongs to the application
// object, which goes at exit); the mutex makes "still there? then post" one
// step.
struct HostLookupChannel {
  std::mutex mutex;
  QObject* receiver = nullptr;
  std::vector<std::string> addresses;
};

class HostLookupReceiver : public QObject {
  Q_OBJECT

 public:
  HostLookupReceiver(HostLookupDone done, std::shared_ptr<HostLookupChannel> channel)
      : QObject(QCoreApplication::instance()), done_(std::move(done)), channel_(std::move(channel)) {
    channel_->receiver = this;
  }
  ~HostLookupReceiver() override {
    const std::lock_guard lock(channel_->mutex);
    channel_->receiver = nullptr;
  }
  HostLookupReceiver(const HostLookupReceiver&) = delete;
  HostLookupReceiver& operator=(const HostLookupReceiver&) = delete;

 private slots:
  void Deliver() {
    std::vector<std::string> addresses;
    {
      const std::lock_guard lock(channel_->mutex);
      addresses = std::move(channel_->addresses);
    }
    deleteLater();
    done_(addresses);
  }

 private:
  HostLookupDone done_;
  std::shared_ptr<HostLookupChannel> channel_;
};

}  // namespace

std::string QtPlatform::CommonAppDataPath() { return "/var/lib"; }

std::string QtPlatform::ExecutableFolder() {
  std::array<char, PATH_MAX> buffer{};
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return "./";
  std::string path(buffer.data(), static_cast<std::size_t>(length));
  return path.substr(0, path.rfind('/') + 1);
}

std::string QtPlatform::HostName() {
  // The name as gethostname gives it, at most 63 characters.
  std::array<char, 100> buffer{};
  ::gethostname(buffer.data(), 64);
  buffer[63] = '\0';
  return buffer.data();
}

void QtPlatform::LookUpHost(const std::string& name, HostLookupDone done) {
  // The answer comes through the event loop: without an application there
  // is none, and the name counts as unknown.
  if (QCoreApplication::instance() == nullptr) {
    done({});
    return;
  }
  // An international name goes to the resolver in its ASCII form; a plain
  // one as it stands (the ASCII form would refuse a hosts-file name such as
  // "lab_pc").
  const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  const std::string resolverName = ascii ? name : QUrl::toAce(ToQString(name)).toStdString();

  auto channel = std::make_shared<HostLookupChannel>();
  // Owned by the application object until it delivers.
  auto* receiver = new HostLookupReceiver(std::move(done), channel);
  // A thread of its own that nobody waits for: a resolver that hangs keeps
  // neither the window nor the program's exit waiting.
  try {
    std::thread([channel, resolverName] {
      std::vector<std::string> addresses =
          resolverName.empty() ? std::vector<std::string>{} : ResolveIpv4(resolverName);
      const std::lock_guard lock(channel->mutex);
      if (channel->receiver == nullptr) return;
      channel->addresses = std::move(addresses);
      QMetaObject::invokeMethod(channel->receiver, "Deliver", Qt::QueuedConnection);
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the name counts as not found this time, and the
    // caller asks again as it would after any other "not found".
    QMetaObject::invokeMethod(receiver, "Deliver", Qt::QueuedConnection);
  }
}

std::vector<NetworkAdapterInfo> QtPlatform::NetworkAdapters() {
  std::vector<NetworkAdapterInfo> adapters;
  for (const QNetworkInterface& card : QNetworkInterface::allInterfaces()) {
    NetworkAdapterInfo info;
    info.description = FromQString(card.humanReadableName());
    const QStringList bytes = card.hardwareAddress().split(':');
    for (int i = 0; i < 6 && i < bytes.size(); ++i) {
      info.hardwareAddress[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bytes[i].toUInt(nullptr, 16));
    }
    info.ipv4Address = "0.0.0.0";
    for (const QNetworkAddressEntry& entry : card.addressEntries()) {
      if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
        info.ipv4Address = entry.ip().toString().toStdString();
        break;
      }
    }
    adapters.push_back(std::move(info));
  }
  return adapters;
}

std::vector<std::string> QtPlatform::ScratchFolders() {
  // The user's cache folder lies on a disk; the temporary folder may be in
  // memory, so it comes last. The cache path comes from the environment,
  // which may be another user's (root started with sudo -E or su -m): the
  // store refuses a path that user controls, and the cache in the home of
  // the user actually running comes next.
  std::vector<std::string> folders;
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  if (!cache.isEmpty()) folders.push_back(QFile::encodeName(cache + "/telvane").toStdString());
  std::array<char, 4096> buffer{};
  passwd entry{};
  passwd* user = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &user) == 0 && user != nullptr &&
      user->pw_dir != nullptr && user->pw_dir[0] == '/') {
    std::string own = std::string(user->pw_dir) + "/.cache/telvane";
    if (folders.empty() || folders.front() != own) folders.push_back(std::move(own));
  }
  folders.push_back(QFile::encodeName(QDir::tempPath()).toStdString());
  return folders;
}

void QtPlatform::DoEvents() { QCoreApplication::processEvents(); }

void QtPlatform::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
  QMessageBox box(DialogOwner());
  box.setWindowTitle(Caption(caption));
  box.setText(ToQString(text));
  box.setIcon(icon == MessageIcon::Error         ? QMessageBox::Critical
              : icon == MessageIcon::Information ? QMessageBox::Information
                                                 : QMessageBox::NoIcon);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

std::optional<std::string> QtPlatform::AskOpenFileName(const FileDialogRequest& request) {
  QFileDialog dialog(DialogOwner());
  SetUp(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return Run(dialog);
}

std::optional<std::string> QtPlatform::AskSaveFileName(const FileDialogRequest& request) {
  QFileDialog dialog(DialogOwner());
  SetUp(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  return Run(dialog);
}

std::unique_ptr<QInputDialog> NewInputBox(const std::string& prompt, const std::string& title,
                                          const std::string& defaultText) {
  auto dialog = std::make_unique<QInputDialog>(DialogOwner());
  dialog->setWindowTitle(Caption(title));
  dialog->setLabelText(ToQString(prompt));
  dialog->setInputMode(QInputDialog::TextInput);
  if (auto* field = dialog->findChild<QLineEdit*>()) field->setMaxLength(std::numeric_limits<int>::max());
  dialog->setTextValue(ToQString(defaultText));
  return dialog;
}

void QtPlatform::InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
  NewInputBox(prompt, title, defaultText)->exec();
}

std::unique_ptr<QInputDialog> NewInputBoxWithHex(const std::string& prompt, const std::string& title,
                                                 const std::string& defaultText, const std::string& hexHeading,
                                                 const std::u16string& hexDump) {
  std::unique_ptr<QInputDialog> dialog = NewInputBox(prompt, title, defaultText);
  // The box's own layout is a column of prompt, line and buttons, made when
  // the box is first measured; the view goes above the buttons. Were it
  // another, the box shows without it.
  (void)dialog->sizeHint();
  auto* column = qobject_cast<QBoxLayout*>(dialog->layout());
  if (column == nullptr) return dialog;
  auto* heading = new QLabel(ToQString(hexHeading), dialog.get());
  heading->setObjectName("labHex");
  auto* view = new QPlainTextEdit(dialog.get());
  view->setObjectName("txtHex");
  view->setReadOnly(true);
  view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  view->setFont(ConsoleFont());
  const QString text = QString::fromStdU16String(hexDump);
  view->setPlainText(text);
  heading->setBuddy(view);
  // Room for the first line (as long as any) and sixteen lines; the box may
  // be made larger.
  const QFontMetrics metrics(view->font());
  const int frame = 2 * view->frameWidth() + static_cast<int>(2 * view->document()->documentMargin());
  const qsizetype lineEnd = text.indexOf('\n');
  view->setMinimumWidth(metrics.horizontalAdvance(lineEnd < 0 ? text : text.left(lineEnd)) +
                        metrics.averageCharWidth() + frame + view->verticalScrollBar()->sizeHint().width());
  view->setMinimumHeight(metrics.lineSpacing() * 16 + frame);
  const int buttons = column->count() - 1;
  column->insertWidget(buttons, heading);
  column->insertWidget(buttons + 1, view, 1);
  return dialog;
}

void QtPlatform::InputBoxWithHex(const std::string& prompt, const std::string& title, const std::string& defaultText,
                                 const std::string& hexHeading, const std::u16string& hexDump) {
  NewInputBoxWithHex(prompt, title, defaultText, hexHeading, hexDump)->exec();
}

#include "QtPlatform.moc"
