#!/usr/bin/python3
"""The servers of the local radio network that icecast cannot be.

    servers.py CONFIG.json      (written and started by scripts/radionet)

Every site of CONFIG listens on its own address and port:

  icy      a SHOUTcast v1 server, as station 31 has: the status line is
           "ICY 200 OK", with icy-name, and icy-metaint 8192 when the player
           asks for metadata (Icy-MetaData: 1); the StreamTitle changes every
           six seconds ("<name> - <song>"). MP3 paced at its bit rate after
           a burst of two seconds.
  chunked  an HTTP/1.1 server that sends the stream in chunks
           (Transfer-Encoding: chunked) in pure real time: no burst at
           connect, so a player gets a tenth of a second of MP3 at a time.
  hostile  the network's hostile server, on 127.0.2.1:8000 and 127.0.2.2:8000,
           outside the hosts file, for tests that point the player at it.

Endpoints of the hostile server (on either address; "the other" is the other
one), and what a player should make of them:

  /icy/KIND, /icecast/KIND   an MP3 stream whose icy-name and StreamTitle hold
           KIND of trouble: "markup" (<img src="file:///etc/hostname">, <b>x</b>,
           &amp;), "control" (\\x01..\\x1f, \\x7f, ESC sequences; only the title
           holds CR and LF), "rtl" (right-to-left overrides and isolates).
           /icy/ answers "ICY 200 OK", /icecast/ "HTTP/1.0 200 OK" with
           icecast's headers. A player plays it and shows the texts as plain
           text: no picture, no bold, no terminal escapes, no reordered UI.
  /long-title.ogg   Ogg Vorbis (20 s, then the connection ends) whose TITLE
           comment is 64 KiB: plays; the title is shown cut short or not at all.
  /chain.asx       ASX -> the other's /chain.m3u -> /status/500: fails with the
           server's error (HTTP 500), not a hang.
  /dead-port.asx   ASX -> http://127.0.2.1:1/stream.mp3, where nothing
           listens: fails as "connection refused".
  /redirect.m3u    M3U -> /to-file, which redirects (302) to file:///etc/passwd:
           the redirect is refused; nothing local is read.
  /file-entry.m3u, /ftp-entry.asx   a playlist whose entry is file:///etc/passwd
           or ftp://127.0.2.1/stream.mp3: refused as an unsupported address.
  /silent          accepts, reads the request and never answers: the player
           gives up after its time-out, the window stays responsive.
  /cut.mp3, /cut.asx   promise a Content-Length, send part of the body and
           close: the stream ends as lost, the playlist fails as incomplete.
  /file-segments.m3u8   a live HLS media playlist whose segments are
           file:///etc/passwd: refused, nothing local is read.
  /status/CODE     answers with that HTTP status; / lists these endpoints.
"""

import json
import os
import signal
import socketserver
import subprocess
import sys
import threading
import time

NASTY = {
    "markup": '<img src="file:///etc/hostname"><b>x</b> &amp; <a href="http://127.0.2.1:8000/">klik</a>',
    "control": "A\x01B\x07C\x08D\x1b[31mrood\x1b[0m\x1b]0;venster\x07E\x7fF\x1f\t\r\nG",
    "rtl": "\u202eoidar\u202c Radio \u2067\u05e8\u05d3\u05d9\u05d5\u2069 \u200f!",
}
SONGS = ["Golden Earring - Radar Love", "Normaal - Oerend hard", "Doe Maar - Smoorverliefd",
         "Herman Brood - Saturday Night", "Anouk - Girl", "Focus - Hocus Pocus"]
STEP = 0.1  # seconds of audio per write when pacing


class Live:
    """A programme looped on a clock shared by every listener, as a live station is."""

    def __init__(self, path, kbps):
        with open(path, "rb") as f:
            self.data = f.read()
        self.rate = kbps * 125
        self.start = time.monotonic()

    def chunks(self, burst=0.0):
        at = int((time.monotonic() - self.start - burst) * self.rate)
        deadline = time.monotonic()
        if burst:
            yield self.take(at, int(burst * self.rate))
            at += int(burst * self.rate)
        while True:
            deadline += STEP
            time.sleep(max(0.0, deadline - time.monotonic()))
            n = int(STEP * self.rate)
            yield self.take(at, n)
            at += n

    def take(self, at, n):
        at %= len(self.data)
        piece = self.data[at : at + n]
        while len(piece) < n:
            piece += self.data[: n - len(piece)]
        return piece


def metadata(title):
    # the title, cut to what one ICY block holds (255 * 16 bytes)
    text = ("StreamTitle='%s';" % title).encode("utf-8")[: 255 * 16]
    text += b"\0" * (-len(text) % 16)
    return bytes([len(text) // 16]) + text


class Handler(socketserver.StreamRequestHandler):
    timeout = 30  # a listener that stops reading is dropped

    def handle(self):
        try:
            line = self.rfile.readline(8192).decode("latin-1")
            headers = {}
            while True:
                h = self.rfile.readline(8192).decode("latin-1").strip()
                if not h:
                    break
                name, _, value = h.partition(":")
                headers[name.strip().lower()] = value.strip()
            parts = line.split()
            self.path = parts[1] if len(parts) > 1 else "/"
            self.metaint = 8192 if headers.get("icy-metadata") == "1" else 0
            site = self.server.site
            getattr(self, site["kind"])(site)
        except (OSError, ValueError):
            pass  # the listener went away

    def send(self, head, body=b""):
        self.wfile.write(head.replace("\n", "\r\n").encode("utf-8") + b"\r\n" + body)

    def stream(self, chunks, title=None):
        """Writes audio, with a metadata block every metaint bytes."""
        left = self.metaint
        for piece in chunks:
            while self.metaint and len(piece) >= left:
                self.wfile.write(piece[:left] + metadata(title()))
                piece, left = piece[left:], self.metaint
            left -= len(piece)
            self.wfile.write(piece)

    def icy(self, site, name=None, title=None, status="ICY 200 OK", extra=""):
        name = name or site["name"]
        title = title or (lambda: "%s - %s" % (name, SONGS[int(time.time() / 6) % len(SONGS)]))
        self.send(f"{status}\nicy-name: {name}\nicy-genre: Rock\nicy-br: {site['kbps']}\n{extra}"
                  f"content-type: audio/mpeg\n" + (f"icy-metaint: {self.metaint}\n" if self.metaint else ""))
        self.stream(site["live"].chunks(burst=2.0), title)

    def chunked(self, site):
        if self.path != "/":
            return self.send("HTTP/1.1 404 Not Found\nContent-Length: 0\nConnection: close\n")
        self.send("HTTP/1.1 200 OK\nContent-Type: audio/mpeg\nTransfer-Encoding: chunked\n"
                  "Cache-Control: no-cache\nConnection: close\n")
        for piece in site["live"].chunks():
            self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))

    def hostile(self, site):
        here, other, path = site["here"], site["other"], self.path.split("?")[0]
        kind = path.rsplit("/", 1)[-1]
        text = NASTY.get(kind, "")
        head = text.replace("\r", "").replace("\n", "")  # a header cannot hold these
        playlists = {
            "/chain.asx": f'<asx version="3.0"><entry><ref href="http://{other}/chain.m3u"/></entry></asx>',
            "/chain.m3u": f"#EXTM3U\nhttp://{here}/status/500\n",
            "/dead-port.asx": '<asx version="3.0"><entry><ref href="http://127.0.2.1:1/stream.mp3"/></entry></asx>',
            "/redirect.m3u": f"#EXTM3U\nhttp://{here}/to-file\n",
            "/file-entry.m3u": "#EXTM3U\nfile:///etc/passwd\n",
            "/ftp-entry.asx": '<asx version="3.0"><entry><ref href="ftp://127.0.2.1/stream.mp3"/></entry></asx>',
            "/file-segments.m3u8": "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:%d\n"
            % (time.time() // 2) + "#EXTINF:2.0,\nfile:///etc/passwd\n" * 3,
        }
        types = {"asx": "video/x-ms-asf", "m3u": "audio/x-mpegurl", "m3u8": "application/vnd.apple.mpegurl"}
        if path in playlists:
            body = playlists[path].encode()
            self.send(f"HTTP/1.0 200 OK\nContent-Type: {types[path.rsplit('.', 1)[1]]}\n"
                      f"Content-Length: {len(body)}\n", body)
        elif path.startswith("/icy/") and text:
            self.icy(site, name=head, title=lambda: text)
        elif path.startswith("/icecast/") and text:
            self.icy(site, name=head, title=lambda: text, status="HTTP/1.0 200 OK",
                     extra=f"Server: Icecast 2.4.4\nicy-description: {head}\n")
        elif path == "/long-title.ogg":
            with open(site["long_title"], "rb") as f:
                data = f.read()
            # a live stream: no length, so a player reads it as it comes
            self.send("HTTP/1.0 200 OK\nContent-Type: application/ogg\n")
            self.wfile.write(data[:98304])  # the headers at once, then the audio in real time
            rate = len(data) // 20
            for at in range(98304, len(data), rate // 10):
                time.sleep(STEP)
                self.wfile.write(data[at : at + rate // 10])
        elif path == "/to-file":
            self.send("HTTP/1.0 302 Found\nLocation: file:///etc/passwd\nContent-Length: 0\n")
        elif path == "/silent":
            self.connection.settimeout(600)
            self.connection.recv(1)  # until the listener gives up
        elif path == "/cut.mp3":
            self.send("HTTP/1.0 200 OK\nContent-Type: audio/mpeg\nContent-Length: 1048576\n",
                      site["live"].take(0, 65536))
        elif path == "/cut.asx":
            body = f'<asx version="3.0"><entry><ref href="http://{here}/icy/markup"/></entry></asx>'.encode()
            self.send(f"HTTP/1.0 200 OK\nContent-Type: video/x-ms-asf\nContent-Length: {len(body)}\n",
                      body[:20])
        elif path.startswith("/status/") and path[8:].isdigit():
            self.send(f"HTTP/1.0 {path[8:]} Trouble\nContent-Type: text/plain\nContent-Length: 8\n",
                      b"trouble\n")
        elif path == "/":
            body = __doc__.encode()
            self.send(f"HTTP/1.0 200 OK\nContent-Type: text/plain\nContent-Length: {len(body)}\n", body)
        else:
            self.send("HTTP/1.0 404 Not Found\nContent-Length: 0\n")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def make_long_title(path):
    """Twenty seconds of Ogg Vorbis whose TITLE comment is 64 KiB, made once."""
    if os.path.exists(path):
        return
    title = ("Lange titel. " * 5042)[: 65536 - 4] + "EIND"
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=330:duration=20",
                    "-c:a", "libvorbis", "-q:a", "0", "-metadata", "title=" + title, "-f", "ogg", path + ".part"], check=True)
    os.rename(path + ".part", path)


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        sites = json.load(f)
    hostile = [f"{s['addr']}:{s['port']}" for s in sites if s["kind"] == "hostile"]
    servers = []
    for site in sites:
        site["here"] = f"{site['addr']}:{site['port']}"
        site["other"] = next((h for h in hostile if h != site["here"]), site["here"])
        if "file" in site:
            site["live"] = Live(site["file"], site["kbps"])
        if "long_title" in site:
            make_long_title(site["long_title"])
        try:
            server = Server((site["addr"], site["port"]), Handler)
        except OSError as e:
            sys.exit(f"servers: cannot listen on {site['addr']}:{site['port']}: {e.strerror}")
        server.site = site
        servers.append(server)
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    print("servers: listening on " + " ".join(f"{s['addr']}:{s['port']} ({s['kind']})" for s in sites), flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while True:
        signal.pause()


if __name__ == "__main__":
    main()
