"""Checks of request members shared by the resource modules; each failure is a 400."""

from .errors import bad_request

TOOL_TYPES = ("code_interpreter", "file_search", "function")
# Members of an object that a client may send back unchanged in a modify request; ignored.
ECHOED_MEMBERS = ("id", "object", "created_at")


def expect(cond, message, param):
    if not cond:
        raise bad_request(message, param)


def string(body, name, default=None, nullable=True, max_len=None):
    value = body.get(name, default)
    if value is None:
        expect(nullable or name not in body, "Invalid type for '%s': expected a string, but got "
               "null." % name, name)
        return default
    expect(isinstance(value, str), "Invalid type for '%s': expected a string." % name, name)
    if max_len is not None:
        expect(len(value) <= max_len, "Invalid '%s': string too long. Expected a string with "
               "maximum length %d, but got a string with length %d instead."
               % (name, max_len, len(value)), name)
    return value


def number(body, name, low, high, default=None):
    value = body.get(name, default)
    if value is None:
        return default
    expect(isinstance(value, (int, float)) and not isinstance(value, bool),
           "Invalid type for '%s': expected a number." % name, name)
    expect(low <= value <= high, "Invalid '%s': must be between %s and %s." % (name, low, high),
           name)
    return value


def metadata(body, default=None):
    value = body.get("metadata", default if default is not None else {})
    if value is None:
        return {}
    expect(isinstance(value, dict), "Invalid type for 'metadata': expected an object.", "metadata")
    expect(len(value) <= 16, "Invalid 'metadata': too many properties. Expected an object with at "
           "most 16 properties.", "metadata")
    for key, item in value.items():
        expect(len(key) <= 64 and isinstance(item, str) and len(item) <= 512,
               "Invalid 'metadata': keys up to 64 characters with string values up to 512 "
               "characters.", "metadata")
    return value


def tools(body, default=None, param="tools"):
    value = body.get(param, default if default is not None else [])
    if value is None:
        return []
    expect(isinstance(value, list), "Invalid type for '%s': expected an array." % param, param)
    expect(len(value) <= 128, "Invalid '%s': at most 128 tools." % param, param)
    out = []
    for index, tool in enumerate(value):
        where = "%s[%d]" % (param, index)
        expect(isinstance(tool, dict) and tool.get("type") in TOOL_TYPES,
               "Invalid value for '%s.type': expected one of 'code_interpreter', 'file_search' or "
               "'function'." % where, where + ".type")
        if tool["type"] == "function":
            fn = tool.get("function")
            expect(isinstance(fn, dict) and isinstance(fn.get("name"), str) and fn["name"],
                   "Missing required parameter: '%s.function.name'." % where,
                   where + ".function.name")
        out.append(tool)
    return out


def id_list(value, param, limit):
    expect(isinstance(value, list) and all(isinstance(v, str) for v in value),
           "Invalid type for '%s': expected an array of strings." % param, param)
    expect(len(value) <= limit, "Invalid '%s': at most %d items." % (param, limit), param)
    return list(value)
