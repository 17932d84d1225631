# The options every module of the collection takes: how tqm530r is found,
# which image it compares with and how it searches the segment.
from __future__ import absolute_import, division, print_function
__metaclass__ = type


class ModuleDocFragment(object):

    DOCUMENTATION = r'''
options:
  image:
    description: An S-record image file on the managed host, used instead of the image carried by
      C(tqm530r) after its self-check.
    type: path
  reinstall:
    description: Treat a device that already runs the image's version as one to write.
    type: bool
    default: false
  allow_older:
    description: Treat a device that runs a newer version than the image as one to write.
    type: bool
    default: false
  timeout:
    description: Seconds for each short wait on a device (connect, login, version, each image line).
    type: float
  interface:
    description: The interface the search uses (default every up, multicast-capable one).
    type: str
  wait:
    description: Milliseconds the search collects answers (default 3000).
    type: int
  expect:
    description:
      - The number of TQM-530R devices the search must find. When fewer answer, C(tqm530r) names
        how many and which, writes nothing and the task fails.
      - Only for a search of the segment, not with I(hosts).
    type: int
    version_added: 1.1.0
  image_sha256:
    description: The SHA-256 (64 hexadecimal digits) the image must have, carried or I(image); another
      image is refused before any device is contacted and the task fails.
    type: str
    version_added: 1.2.0
  inventory:
    description:
      - A CSV file on the managed host (UTF-8, a header row naming C(name) and C(mac)) of the devices
        known by MAC, with their names. Only the devices it lists are touched; one that answers but is
        not listed is never logged in to; a listed one that does not answer is C(not found) and the
        task fails. A file that does not read (not UTF-8, a bad or repeated MAC) fails the task before
        any search.
      - Only for a search of the segment, not with I(hosts).
    type: path
    version_added: 1.2.0
  tqm530r:
    description: The C(tqm530r) program on the managed host, a path or a name looked up in C(PATH).
    type: str
    default: tqm530r
'''
