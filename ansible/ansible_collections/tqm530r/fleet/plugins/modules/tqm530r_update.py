#!/usr/bin/python
# Runs tqm530r update on the managed host and reports its JSON; every rule
# (version policy, retries, verify) is tqm530r's own.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: tqm530r_update
short_description: Write the firmware image into the TQM-530R devices on the host's segment
description:
  - Runs C(tqm530r update --yes --json) on the managed host, which must stand on the devices'
    segment, and returns each device's result.
  - Every rule lives in C(tqm530r). A device already at the image's version is skipped, an older
    image refused, a failure before C(flash) tried again, each device verified after its reset.
  - In check mode runs C(tqm530r plan --json) instead, which logs in and reads each device's
    version but writes nothing.
version_added: 1.0.0
author: TQM-530R updater team
options:
  hosts:
    description: C(HOST[:PORT]) of each device. Give either I(hosts) or I(all).
    type: list
    elements: str
    default: []
  all:
    description: Search the segment first and update every TQM-530R found (the MAC found by the
      search is checked again before the login).
    type: bool
    default: false
  jobs:
    description: At most this many devices at once (default all).
    type: int
  image:
    description: An S-record image file on the managed host, used instead of the image carried by
      C(tqm530r) after its self-check.
    type: path
  retries:
    description: How often a device whose update fails before C(flash) is tried again (C(tqm530r)'s
      default 2).
    type: int
  reinstall:
    description: Write the image also to a device that already runs its version.
    type: bool
    default: false
  allow_older:
    description: Write the image also to a device that runs a newer version.
    type: bool
    default: false
  timeout:
    description: Seconds for each short wait on a device (connect, login, version, each image line).
    type: float
  flash_timeout:
    description: Seconds to wait for each C(complete) of flashing (default 120).
    type: float
  verify_timeout:
    description: Seconds to wait for a device to come back after its reset (default 60).
    type: float
  interface:
    description: The interface the search of I(all) uses (default every up, multicast-capable one).
    type: str
  wait:
    description: Milliseconds the search of I(all) collects answers (default 3000).
    type: int
  history:
    description: The history file C(tqm530r) appends each device's record to.
    type: path
  tqm530r:
    description: The C(tqm530r) program on the managed host, a path or a name looked up in C(PATH).
    type: str
    default: tqm530r
notes:
  - C(changed) is true when some device was written, that is its result is C(verified),
    C(updated) or C(unverified), or it was sent C(flash) before it failed or was interrupted.
    A device that failed during the transfer still runs its old firmware and does not count.
  - The task fails when C(tqm530r) exits other than 0 (a device failed, was refused or not
    verified, or none answered the search); C(msg) names each such device and its reason.
  - Check mode is supported; C(changed) is then true when some device would be updated.
'''

EXAMPLES = r'''
- name: Update every device on the site's segment
  tqm530r.fleet.tqm530r_update:
    all: true
    interface: eth1
    jobs: 8

- name: Update two devices, one on a non-standard port
  tqm530r.fleet.tqm530r_update:
    hosts: [192.0.2.10, "192.0.2.11:2323"]
    retries: 0
  register: update
'''

RETURN = r'''
devices:
  description: One entry per device, in the order C(tqm530r) reports them.
  returned: always
  type: list
  elements: dict
  contains:
    device:
      description: The device as given or found (C(IP) or C(HOST:PORT)).
      type: str
    ip:
      description: Its address.
      type: str
    mac:
      description: Its MAC address, empty when not read.
      type: str
    before:
      description: Its version before the update, empty when not read.
      type: str
    after:
      description: Its version after the reset; in check mode the version it would run.
      type: str
    result:
      description: C(verified), C(updated), C(skipped), C(refused), C(mac-changed), C(busy),
        C(failed), C(unverified) or C(interrupted); in check mode the plan's action
        C(update), C(skip), C(refuse), C(error) or C(busy).
      type: str
    detail:
      description: One line, why or what was done.
      type: str
    written:
      description: Whether the device was sent C(flash), so that its flash changed; false in check mode.
      type: bool
  sample:
    - {device: 10.0.0.10, ip: 10.0.0.10, mac: 02-4c-1a-00-10-0a, before: 1.0.01, after: 1.0.05,
       result: verified, detail: running 1.0.05 after the reset, written: true}
counts:
  description: How many devices ended with each result.
  returned: always
  type: dict
  sample: {verified: 2, skipped: 1}
image_version:
  description: The version of the image written.
  returned: when tqm530r reported it
  type: str
rc:
  description: The exit code of C(tqm530r).
  returned: always
  type: int
'''

import json

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tqm530r.fleet.plugins.module_utils.tqm530r_cli import (
    COMMON_OPTIONS, fail_without_output, plan_argv, planned_device, run_plan)

WRITTEN_RESULTS = ('verified', 'updated', 'unverified')
MODULE_OPTIONS = dict(COMMON_OPTIONS, jobs=dict(type='int'), retries=dict(type='int'),
                     flash_timeout=dict(type='float'), verify_timeout=dict(type='float'),
                     history=dict(type='path'))


def counts_of(devices):
    counts = {}
    for d in devices:
        counts[d['result']] = counts.get(d['result'], 0) + 1
    return counts


def finish(module, devices, rc, changed, image_version, stderr):
    counts = counts_of(devices)
    result = dict(changed=changed, devices=devices, counts=counts, rc=rc, image_version=image_version)
    if rc != 0:
        bad = ['%s: %s: %s' % (d['device'], d['result'], d['detail']) for d in devices
               if d['result'] not in ('verified', 'updated', 'skipped', 'update', 'skip')]
        module.fail_json(msg='; '.join(bad) or stderr.strip() or 'tqm530r exited %d' % rc, stderr=stderr, **result)
    summary = ', '.join('%d %s' % (n, r) for r, n in sorted(counts.items()))
    module.exit_json(msg='%d device(s): %s' % (len(devices), summary), **result)


def check(module):
    rc, doc, err = run_plan(module)
    if doc is None:
        fail_without_output(module, rc, err)
    devices = [dict(planned_device(d), written=False) for d in doc['devices']]
    changed = any(d['result'] == 'update' for d in devices)
    finish(module, devices, rc, changed, doc.get('image_version'), err)


def update(module):
    p = module.params
    argv = plan_argv(module, 'update') + ['--yes']
    for name in ('jobs', 'retries', 'flash_timeout', 'verify_timeout', 'history'):
        if p[name] is not None:
            argv += ['--' + name.replace('_', '-'), str(p[name])]
    rc, out, err = module.run_command(argv)
    flashed, summary, image_version = set(), None, None
    for line in out.splitlines():
        try:
            event = json.loads(line)
        except ValueError:
            continue
        kind = event.get('event')
        if kind == 'start':
            image_version = event.get('image_version')
        elif kind == 'phase' and event.get('phase') == 'flash':
            flashed.add(event.get('device'))
        elif kind == 'summary':
            summary = event
    if summary is None:
        fail_without_output(module, rc, err, argv)
    devices = [dict(device=d['device'], ip=d['ip'], mac=d['mac'], before=d['old_version'],
                    after=d['new_version'], result=d['result'], detail=d['detail'],
                    written=d['result'] in WRITTEN_RESULTS or d['device'] in flashed)
               for d in summary['devices']]
    finish(module, devices, summary.get('exit_code', rc), any(d['written'] for d in devices), image_version, err)


def main():
    module = AnsibleModule(argument_spec=MODULE_OPTIONS, supports_check_mode=True)
    if module.check_mode:
        check(module)
    update(module)


if __name__ == '__main__':
    main()
