#!/usr/bin/env python3
"""A catalogue of three pages on loopback for zelkon's exchange checks.

The login page hands out a visit handle and a cookie; the visit page (cookie required) names
the search form; the search (cookie required) answers with a small full-record page in UTF-8.
Every request is appended to the log as "PATH<TAB>COOKIE". Serves HTTPS when given a
certificate and key. Writes the port it listens on to --port-file once it is ready.
"""
import argparse
import http.server
import os
import ssl

LOGIN = "/F?func=file&file_name=login&?RN"
VISIT = "/F/HANDLE-1?func=file&=&file_name=login%20%3FRN&pds_handle="
SEARCH = ("/F/SEARCH?func=find-a&find_code=WTYP&request=&request_op=AND&request=&request_op=AND"
          "&find_code=ISBN&request=")
RECORD = "<html>\n<b>本の話</b>\r\n<p>あ</p>\n".encode("utf-8")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    scheme = "https" if args.cert else "http"

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *unused):
            pass

        def answer(self, status, body, cookie=None):
            self.send_response(status)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            if cookie:
                self.send_header("Set-Cookie", cookie)
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            cookie = self.headers.get("Cookie", "")
            with open(args.log, "a", encoding="utf-8") as log:
                log.write(f"{self.path}\t{cookie}\n")
            base = f"{scheme}://{self.headers.get('Host')}"
            visiting = "visit=HANDLE-1" in cookie
            if self.path == LOGIN:
                page = (f"<html>\r\n<script>\r\nvar url = '{base}/F/HANDLE-1?func=file"
                        f"&file_name=login-session';\r\n</script>\r\n")
                self.answer(200, page.encode(), "visit=HANDLE-1; Path=/")
            elif self.path == VISIT and visiting:
                page = (f'<html>\n<form method=get name="form1"  action="{base}/F/SEARCH">\n'
                        f"</form>\n")
                self.answer(200, page.encode())
            elif self.path.startswith(SEARCH) and visiting:
                self.answer(200, RECORD)
            else:
                self.answer(404, b"not here")

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(args.port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(args.port_file + ".tmp", args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
