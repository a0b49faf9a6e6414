"""An SMTP server on 127.0.0.1 for the report e-mail tests, built on aiosmtpd.

Prints its port on the first line of stdout, then runs until it is killed. Every command it
takes is written as one line to <folder>/events; each message is kept in <folder>/message-N.eml
and decoded with Python's email parser, whose findings go to the events as well:
  HELO host | EHLO host | RSET | AUTH login password | MAIL address | RCPT address
  DATA n | SUBJECT text | PART content-type filename payload-hex | DEFECTS count
Recipients starting with "refuse" are refused with 550; a message to a recipient starting
with "reject" is refused with 554 after its data.
"""
import asyncio
import email
import email.policy
import os
import sys

from aiosmtpd.smtp import SMTP, AuthResult

folder = sys.argv[1]
events = open(os.path.join(folder, "events"), "a", buffering=1, encoding="utf-8")
messages = 0


def record(*words):
    events.write(" ".join(str(w) for w in words) + "\n")


class Handler:
    async def handle_HELO(self, server, session, envelope, hostname):
        session.host_name = hostname
        record("HELO", hostname)
        return "250 sink.test"

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        record("EHLO", hostname)
        return responses

    async def handle_RSET(self, server, session, envelope):
        record("RSET")
        return "250 OK"

    async def handle_MAIL(self, server, session, envelope, address, options):
        record("MAIL", address)
        envelope.mail_from = address
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, options):
        record("RCPT", address)
        if address.startswith("refuse"):
            return "550 no such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        global messages
        messages += 1
        raw = envelope.original_content
        with open(os.path.join(folder, "message-%d.eml" % messages), "wb") as out:
            out.write(raw)
        record("DATA", messages)
        if envelope.rcpt_tos[0].startswith("reject"):
            return "554 message rejected"
        parsed = email.message_from_bytes(raw, policy=email.policy.default)
        record("SUBJECT", parsed["subject"])
        defects = len(parsed.defects)
        for part in parsed.walk():
            defects += len(part.defects)
            if part.is_multipart():
                continue
            record("PART", part.get_content_type(), part.get_filename() or "-",
                   part.get_payload(decode=True).hex() or "-")
        record("DEFECTS", defects)
        return "250 OK queued"


def authenticate(server, session, envelope, mechanism, auth_data):
    record("AUTH", auth_data.login.decode() or "-", auth_data.password.decode() or "-")
    return AuthResult(success=True)


async def main():
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(Handler(), hostname="sink.test", authenticator=authenticate,
                     auth_require_tls=False, loop=loop),
        host="127.0.0.1", port=0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await asyncio.Event().wait()


asyncio.run(main())
