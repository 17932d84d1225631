#!/usr/bin/python
# The devices on the managed host's segment, from tqm530r plan --json.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: tqm530r_devices_info
short_description: List the TQM-530R devices on the host's segment with their versions
description:
  - Runs C(tqm530r plan --all --json) (or C(plan) for the given I(hosts)) on the managed host,
    which logs in to each device and reads its firmware version, writing nothing, and returns
    each device with the action C(tqm530r update) would take.
  - For reports and conditions, for example to update only the sites where some device needs it.
  - Before 1.1.0 this module was called C(tqm530r_devices); that name still works.
version_added: 1.0.0
author: TQM-530R updater team (@tqm530r)
extends_documentation_fragment: tqm530r.fleet.tqm530r
options:
  hosts:
    description: C(HOST[:PORT]) of each device; without them the segment is searched.
    type: list
    elements: str
notes:
  - Never changes anything; check mode is supported and runs the same.
  - A segment where no device answers gives an empty list, not a failure, unless I(expect) is given.
    The task fails when a device could not be read (its action C(error) or C(busy)); the devices are
    returned all the same.
'''

EXAMPLES = r'''
- name: Devices on the site's segment
  tqm530r.fleet.tqm530r_devices_info:
    interface: eth1
    expect: 40
  register: site

- name: Update only where some device needs it
  tqm530r.fleet.tqm530r_update:
    all: true
    interface: eth1
  when: site.needs_update
'''

RETURN = r'''
devices:
  description: One entry per device.
  returned: always
  type: list
  elements: dict
  contains:
    device:
      description: The device (C(IP) or C(HOST:PORT)); empty for one C(not found).
      type: str
    name:
      description: Its name in I(inventory); empty without one.
      type: str
      version_added: 1.2.0
    ip:
      description: Its address.
      type: str
    mac:
      description: Its MAC address.
      type: str
    version:
      description: The firmware version it runs, empty when not read.
      type: str
    action:
      description: What C(tqm530r update) would do, C(update), C(skip), C(refuse), C(error) or C(busy);
        with I(inventory) also C(unlisted) (answered, not listed, never touched) or C(not found)
        (listed, did not answer).
      type: str
    reason:
      description: One line, why.
      type: str
  sample:
    - {device: 10.0.0.10, ip: 10.0.0.10, mac: 02-4c-1a-00-10-0a, version: 1.0.01, action: update,
       reason: device runs 1.0.01; image is 1.0.05}
image_version:
  description: The version of the image compared with.
  returned: when some device answered
  type: str
needs_update:
  description: Whether some device's action is C(update).
  returned: always
  type: bool
'''

import json

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tqm530r.fleet.plugins.module_utils.tqm530r_cli import (
    COMMON_OPTIONS, fail_without_output, option_argv, program, run_plan)

MODULE_OPTIONS = dict(COMMON_OPTIONS, hosts=dict(type='list', elements='str'))


def nobody_answers(module):
    """Whether a search on the segment finds no device at all."""
    argv = [program(module), 'detect', '--json'] + option_argv(module.params, ('interface', 'wait'))
    rc, out, err = module.run_command(argv)
    try:
        return json.loads(out)['devices'] == []
    except (ValueError, KeyError):
        return False


def main():
    module = AnsibleModule(argument_spec=MODULE_OPTIONS, supports_check_mode=True,
                           mutually_exclusive=[('hosts', 'expect'), ('hosts', 'inventory')])
    searched = not module.params['hosts']
    rc, doc, err = run_plan(module, searched)
    if doc is None:
        # plan fails when the search finds nobody; here that is an empty segment.
        if searched and module.params['expect'] is None and nobody_answers(module):
            module.exit_json(changed=False, devices=[], needs_update=False)
        fail_without_output(module, rc, err)
    devices = [dict(device=d['device'], name=d.get('name', ''), ip=d['ip'], mac=d['mac'], version=d['current_version'],
                    action=d['action'], reason=d['reason']) for d in doc['devices']]
    result = dict(changed=False, devices=devices, image_version=doc.get('image_version'),
                  needs_update=any(d['action'] == 'update' for d in devices))
    if rc != 0:
        bad = ['%s: %s: %s' % (d['device'], d['action'], d['reason']) for d in devices
               if d['action'] in ('error', 'busy', 'not found')]
        module.fail_json(msg='; '.join(bad) or err.strip(), rc=rc, **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
