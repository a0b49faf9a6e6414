"""An HTTP (or, given a certificate and key, HTTPS) server on 127.0.0.1 for the upload tests.

Usage: http_record_server.py <folder> [certfile keyfile]
Prints its port on the first line of stdout, then runs until it is killed. Each request is kept
byte for byte in <folder>/request-N.bin (request line, headers, body). A path ending in
"/missing" is answered "404 Not Found", every other path "200 OK".
"""
import os
import socketserver
import ssl
import sys

folder = sys.argv[1]
requests = 0


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        global requests
        head = b""
        while not head.endswith(b"\r\n\r\n"):
            line = self.rfile.readline()
            if not line:
                return
            head += line
        length = 0
        for line in head.split(b"\r\n")[1:]:
            name, _, value = line.partition(b":")
            if name.strip().lower() == b"content-length":
                length = int(value.strip())
        body = self.rfile.read(length)
        requests += 1
        with open(os.path.join(folder, "request-%d.bin" % requests), "wb") as out:
            out.write(head + body)
        path = head.split(b" ")[1]
        status = b"404 Not Found" if path.endswith(b"/missing") else b"200 OK"
        self.wfile.write(b"HTTP/1.1 " + status +
                         b"\r\nContent-Length: 4\r\nConnection: close\r\n\r\ndone")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
if len(sys.argv) > 3:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
