"""Loaded by the bundled service's Python when the REST benchmark puts this folder on PYTHONPATH.

The service writes a response's head and body in two unbuffered sends with Nagle's algorithm on,
so on a connection where the client delays its ACK every answer waits about 40 ms for it. The
benchmark measures the clients, so it switches Nagle off on the service's accepted sockets
(ozk_openai_rest_bench --service-nagle keeps the service as it is).
"""
import socket
import socketserver

_get_request = socketserver.TCPServer.get_request


def _get_request_without_nagle(self):
    connection, address = _get_request(self)
    connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    return connection, address


socketserver.TCPServer.get_request = _get_request_without_nagle
