#include "commands.h"

#include "app/settings_store.h"
#include "mail/smtp_mailer.h"
#include "mail/test_notice.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace qova::cli {
namespace {

constexpr const char* kUsage =
    "usage: qova-cli test-mail [RECIPIENT]\n"
    "\n"
    "Sends the test notice 'Test - QOVA' through the stored mail settings to\n"
    "RECIPIENT, or to the stored alert recipient (\"SMTPAlert\"). Prints 'sent',\n"
    "or the step that failed with the mail server's reply.\n"
    "\n"
    "Exit status: 0 when the server accepted the mail, 1 otherwise.\n";

// A server's words go to the terminal: keep line breaks as indented lines and
// drop every other control character, so no escape sequence gets through.
std::string Printable(const std::string& reply) {
    std::string out;
    for (size_t i = 0; i < reply.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(reply[i]);
        if (c == '\n' && i + 1 < reply.size()) {
            out += "\n    ";
        } else if (c >= 0x20 && c != 0x7f) {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

int RunTestMail(int argc, char** argv) {
    std::string recipient;
    bool haveRecipient = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (haveRecipient || argv[i][0] == '-') {
            std::fprintf(stderr, "qova-cli test-mail: unexpected argument '%s'\n\n%s", argv[i],
                         kUsage);
            return 1;
        }
        recipient = argv[i];
        haveRecipient = true;
    }
    // A server that hangs up while a TLS record is being written must fail the
    // send, not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    SettingsStore store(SettingsStore::DefaultPath());
    if (!haveRecipient) {
        recipient = store.GetProfileString("Settings", "SMTPAlert", "");
    }
    if (recipient.empty()) {
        std::fputs("qova-cli test-mail: no recipient: give one, or set the alert recipient\n",
                   stderr);
        return 1;
    }
    SmtpMailer mailer([&store] { return ReadSmtpSettings(store); });
    NoticeText notice = TestNotice(std::time(nullptr));
    std::string sender = store.GetProfileString("Settings", "SMTPEmail", "");
    if (mailer.SendMail(sender, recipient, notice.subject, notice.body)) {
        std::puts("sent");
        return 0;
    }
    MailOutcome outcome = mailer.LastOutcome();
    std::string line = "failed at " + outcome.failedStep;
    if (!outcome.reply.empty()) {
        line += ": " + Printable(outcome.reply);
    }
    if (!outcome.detail.empty()) {
        line += outcome.reply.empty() ? ": " : " ";
        line += Printable(outcome.detail);
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    return 1;
}

} // namespace qova::cli
