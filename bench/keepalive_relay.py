#!/usr/bin/env python3
"""An HTTPS relay that keeps client connections open, in front of the sample catalogue.

The sample catalogue answers every request with "Connection: close", so a host that would keep
its connection open between downloads never gets the chance. scripts/bench puts this relay
between zelkon and the catalogue to see whether zelkon does keep it: the relay speaks HTTP/1.1
with keep-alive to its clients, passes each request on to the catalogue, and writes the
catalogue's address in the pages as its own, so every later request of the exchange comes back
through it as well.

Usage: keepalive_relay.py CATALOGUE_BASE_URL CERT KEY CA CONNECTION_LOG
Prints its own base URL on the first line of standard output, then serves until killed; every
client connection it accepts is one line in CONNECTION_LOG.
"""
import http.client
import http.server
import socketserver
import ssl
import sys
import threading
import urllib.parse


def main():
    upstream, cert, key, ca, log_path = sys.argv[1:6]
    target = urllib.parse.urlsplit(upstream)
    upstream_context = ssl.create_default_context(cafile=ca)
    log_lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def setup(self):
            super().setup()
            with log_lock, open(log_path, "a") as log:
                log.write("connection\n")

        def do_GET(self):
            connection = http.client.HTTPSConnection(
                target.hostname, target.port, context=upstream_context, timeout=30)
            try:
                connection.request("GET", self.path, headers={"User-Agent": "relay"})
                answer = connection.getresponse()
                body = answer.read()
                status = answer.status
                content_type = answer.getheader("Content-Type", "text/html")
            finally:
                connection.close()
            body = body.replace(upstream.encode(), self.server.base.encode())
            self.send_response(status)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
        daemon_threads = True

        def get_request(self):
            sock, address = self.socket.accept()
            # The handshake runs in the connection's own thread, so a connection that never
            # speaks (the host's connectivity check) holds up nobody.
            return self.context.wrap_socket(sock, server_side=True,
                                            do_handshake_on_connect=False), address

        def handle_error(self, request, client_address):
            pass  # a connection closed without a request is not an error here

    server = Server(("127.0.0.1", 0), Handler)
    server.context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    server.context.load_cert_chain(cert, key)
    server.base = f"{target.scheme}://{target.hostname}:{server.server_address[1]}"
    print(server.base, flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
