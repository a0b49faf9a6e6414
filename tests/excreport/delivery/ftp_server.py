"""An FTP server on 127.0.0.1 (pyftpdlib) for the upload tests.

Usage: ftp_server.py <home folder> <user> <password> <events file>
Prints its port on the first line of stdout, then runs until it is killed. The user may write
anywhere below the home folder. Logins and received files are written to the events file:
  LOGIN user | STORED path relative to the home folder
"""
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

home, user, password, events_path = sys.argv[1:5]
events = open(events_path, "a", buffering=1, encoding="utf-8")
logging.disable(logging.CRITICAL)


class Handler(FTPHandler):
    auth_failed_timeout = 0

    def on_login(self, username):
        events.write("LOGIN %s\n" % username)

    def on_file_received(self, file):
        events.write("STORED %s\n" % os.path.relpath(file, home))


authorizer = DummyAuthorizer()
authorizer.add_user(user, password, home, perm="elradfmwMT")
Handler.authorizer = authorizer
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
