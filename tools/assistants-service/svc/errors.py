"""Errors in the service's own shape: {"error": {"message", "type", "param", "code"}}."""

import json


class ApiError(Exception):
    """An error answer. Raised anywhere below the HTTP front, written by it as JSON."""

    def __init__(self, status, message, err_type=None, param=None, code=None, headers=None):
        super().__init__(message)
        self.status = status
        self.message = message
        self.err_type = err_type or default_type(status)
        self.param = param
        self.code = code
        self.headers = dict(headers or {})

    def body(self):
        return error_body(self.message, self.err_type, self.param, self.code)


def default_type(status):
    if status == 429:
        return "rate_limit_error"  # distinct from invalid requests, as the hosted service does
    if status >= 500:
        return "server_error"
    return "invalid_request_error"


def error_body(message, err_type, param=None, code=None):
    return json.dumps({"error": {"message": message, "type": err_type, "param": param,
                                 "code": code}}).encode("utf-8")


def not_found(kind, ident, param=None):
    return ApiError(404, "No %s found with id '%s'." % (kind, ident), param=param)


def bad_request(message, param=None, code=None):
    return ApiError(400, message, param=param, code=code)
