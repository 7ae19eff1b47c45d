// Sends one mail with QOVA's SMTP client, as the notice rules do, and exits.
// The SMTP benchmark times it next to curl; the mail end-to-end test uses it
// for a notice whose body needs dot-stuffing.
//
//   smtp_send SERVER FROM TO SUBJECT BODY-FILE [USER PASSWORD]
//
// Prints "sent" or the failed step with the server's reply; exit 0 or 1.
#include "mail/smtp_mailer.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 6 && argc != 8) {
        std::fputs("usage: smtp_send SERVER FROM TO SUBJECT BODY-FILE [USER PASSWORD]\n", stderr);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::ifstream file(argv[5], std::ios::binary);
    std::stringstream body;
    body << file.rdbuf();
    qova::SmtpSettings settings;
    settings.server = argv[1];
    settings.returnAddress = argv[2];
    if (argc == 8) {
        settings.auth = true;
        settings.username = argv[6];
        settings.password = argv[7];
    }
    qova::SmtpMailer mailer([settings] { return settings; });
    if (mailer.SendMail(argv[2], argv[3], argv[4], body.str())) {
        std::puts("sent");
        return 0;
    }
    qova::MailOutcome outcome = mailer.LastOutcome();
    std::printf("failed at %s: %s%s\n", outcome.failedStep.c_str(), outcome.reply.c_str(),
                outcome.detail.c_str());
    return 1;
}
