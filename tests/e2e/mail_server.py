#!/usr/bin/python3
"""A real SMTP server on 127.0.0.1 for the end-to-end tests and the benchmark.

Each accepted message is stored as DIR/N.eml (the bytes after DATA, dots
un-stuffed, as the server received them) and DIR/N.env (the envelope: "from"
line, then one "to" line per recipient).

  --maildir DIR        where messages go (required)
  --cert F --key F     offer STARTTLS with this certificate
  --login USER:PASS    require AUTH (PLAIN or LOGIN) with these credentials, after
                       STARTTLS when a certificate is given
  --refuse ADDRESS     answer RCPT TO for ADDRESS with 550
Prints its port on stdout, then serves until killed.
"""
import argparse
import asyncio
import itertools
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Store:
    def __init__(self, maildir, refused):
        self.maildir = maildir
        self.refused = refused
        self.counter = itertools.count(1)

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.refused:
            return "550 5.1.1 <%s>: no such user here" % address
        envelope.rcpt_tos.append(address)
        return "250 2.1.5 OK"

    async def handle_DATA(self, server, session, envelope):
        n = next(self.counter)
        base = os.path.join(self.maildir, str(n))
        with open(base + ".env.tmp", "w") as f:
            f.write("from %s\n" % envelope.mail_from)
            for to in envelope.rcpt_tos:
                f.write("to %s\n" % to)
        with open(base + ".eml.tmp", "wb") as f:
            f.write(envelope.original_content)
        # The envelope first, the message last: a test that sees N.eml sees both.
        os.rename(base + ".env.tmp", base + ".env")
        os.rename(base + ".eml.tmp", base + ".eml")
        return "250 2.0.0 queued as %d" % n


def make_authenticator(login):
    user, _, password = login.partition(":")

    def authenticate(server, session, envelope, mechanism, auth_data):
        if (isinstance(auth_data, LoginPassword)
                and auth_data.login == user.encode()
                and auth_data.password == password.encode()):
            return AuthResult(success=True)
        # handled=False lets the server answer 535 itself.
        return AuthResult(success=False, handled=False)

    return authenticate


async def serve(args):
    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    store = Store(args.maildir, set(args.refuse or []))

    def factory():
        options = {"hostname": "mx.qova.test"}
        if args.login:
            options.update(authenticator=make_authenticator(args.login), auth_required=True,
                           auth_require_tls=context is not None)
        if context is not None:
            options.update(tls_context=context, require_starttls=bool(args.login))
        return SMTP(store, **options)

    loop = asyncio.get_running_loop()
    server = await loop.create_server(factory, "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--maildir", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--login")
    parser.add_argument("--refuse", action="append")
    args = parser.parse_args()
    try:
        asyncio.run(serve(args))
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
