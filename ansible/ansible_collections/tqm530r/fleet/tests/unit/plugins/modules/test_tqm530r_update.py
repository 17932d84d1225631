# The update module's own steps: the command line it builds from the task's
# options, how it reads update's JSON lines and what the task then reports.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json

import pytest

from ansible.module_utils.common.arg_spec import ArgumentSpecValidator
from ansible_collections.tqm530r.fleet.plugins.modules import tqm530r_update as update


def params(**given):
    """The task's options after Ansible's defaults, as the module sees them."""
    result = ArgumentSpecValidator(update.MODULE_OPTIONS, **update.OPTION_RULES).validate(given)
    assert not result.error_messages, result.error_messages
    return result.validated_parameters


def test_a_canary_rollout_passes_waves_budget_soak_and_expect_as_tqm530r_spells_them():
    argv = update.update_argv('/usr/bin/tqm530r', params(all=True, interface='eth1', expect=40, jobs=8,
                                                         waves='1,10%,50%,100%', max_failures='5%', soak=300))
    assert argv == ['/usr/bin/tqm530r', 'update', '--all', '--interface', 'eth1', '--expect', '40', '--json',
                    '--jobs', '8', '--waves', '1,10%,50%,100%', '--max-failures', '5%', '--soak', '300', '--yes']


def test_a_budget_given_as_a_number_reaches_tqm530r_as_that_number():
    argv = update.update_argv('tqm530r', params(all=True, max_failures=2))
    assert argv[argv.index('--max-failures') + 1] == '2'


def test_given_hosts_are_never_widened_to_a_search():
    assert update.update_argv('tqm530r', params(hosts=['10.0.0.5', '10.0.0.6:2323'], reinstall=True)) == [
        'tqm530r', 'update', '10.0.0.5', '10.0.0.6:2323', '--reinstall', '--json', '--yes']
    assert '--all' not in update.update_argv('tqm530r', params(hosts=[]))


@pytest.mark.parametrize('given, error', [
    (dict(), 'one of the following is required: hosts, all'),
    (dict(hosts=['10.0.0.5'], all=True), 'mutually exclusive: hosts|all'),
    (dict(hosts=['10.0.0.5'], expect=3), 'mutually exclusive: hosts|expect'),
    (dict(all=False), 'all is False but all of the following are missing: hosts'),
])
def test_a_task_must_name_its_devices_or_search_and_only_a_search_has_an_expected_count(given, error):
    result = ArgumentSpecValidator(update.MODULE_OPTIONS, **update.OPTION_RULES).validate(given)
    assert any(error in message for message in result.error_messages), result.error_messages


def summary_line(*devices):
    return json.dumps(dict(event='summary', exit_code=6, devices=[
        dict(device=ip, ip=ip, mac='02-4c-1a-00-00-0%d' % i, old_version='1.0.01', new_version=after,
             result=result, detail=detail)
        for i, (ip, result, after, detail) in enumerate(devices)]))


BUDGET_STOPPED_OUTPUT = '\n'.join([
    json.dumps(dict(event='start', image_version='1.0.05')),
    'not json at all',
    json.dumps(dict(event='phase', device='10.0.0.11', phase='flash')),
    json.dumps(dict(event='phase', device='10.0.0.12', phase='transfer')),
    summary_line(('10.0.0.10', 'verified', '1.0.05', 'running 1.0.05 after the reset'),
                 ('10.0.0.11', 'unverified', '', 'no answer after the reset'),
                 ('10.0.0.12', 'failed', '', 'the device closed the connection during the transfer'),
                 ('10.0.0.13', 'not started', '', 'the failure budget of 1 was spent'),
                 ('10.0.0.14', 'not started', '', 'the failure budget of 1 was spent')),
])


def test_a_rollout_stopped_by_its_budget_fails_saying_so_with_every_device():
    summary, flashed, image_version = update.read_events(BUDGET_STOPPED_OUTPUT)
    devices = update.summary_devices(summary, flashed)
    failed, result = update.outcome(devices, summary['exit_code'], True, image_version, '', '1')
    assert failed and result['rc'] == 6 and image_version == '1.0.05'
    assert result['msg'] == (
        'the rollout stopped: more devices failed than its failure budget (max_failures 1) allows; 2 device(s) not started; '
        '10.0.0.11: unverified: no answer after the reset; '
        '10.0.0.12: failed: the device closed the connection during the transfer')
    assert [(d['device'], d['result'], d['written']) for d in result['devices']] == [
        ('10.0.0.10', 'verified', True), ('10.0.0.11', 'unverified', True), ('10.0.0.12', 'failed', False),
        ('10.0.0.13', 'not started', False), ('10.0.0.14', 'not started', False)]
    assert result['counts'] == {'verified': 1, 'unverified': 1, 'failed': 1, 'not started': 2}


def test_a_run_without_failures_reports_its_counts():
    devices = [dict(device='10.0.0.10', result='verified', detail=''), dict(device='10.0.0.11', result='skipped', detail='')]
    failed, result = update.outcome(devices, 0, True, '1.0.05', '')
    assert not failed and result['msg'] == '2 device(s): 1 skipped, 1 verified'


def test_an_inventory_and_a_pinned_image_reach_tqm530r_and_names_come_back():
    sha = 'ab' * 32
    argv = update.update_argv('tqm530r', params(all=True, inventory='/etc/tqm530r/site.csv', image_sha256=sha))
    assert argv == ['tqm530r', 'update', '--all', '--image-sha256', sha, '--inventory', '/etc/tqm530r/site.csv',
                    '--json', '--yes']
    line = json.dumps(dict(event='summary', exit_code=1, devices=[
        dict(device='10.0.0.10', name='Osaka 3F east', ip='10.0.0.10', mac='02-4c-1a-00-00-01', old_version='1.0.01',
             new_version='1.0.05', result='verified', detail='running 1.0.05 after the reset'),
        dict(device='', name='Store', ip='', mac='02-4c-1a-00-00-09', old_version='', new_version='',
             result='not found', detail='listed in the inventory (line 4), but it did not answer the search')]))
    summary, flashed, image_version = update.read_events(line)
    failed, result = update.outcome(update.summary_devices(summary, flashed), 1, True, image_version, '')
    assert failed and [d['name'] for d in result['devices']] == ['Osaka 3F east', 'Store']
    assert result['msg'] == 'Store: not found: listed in the inventory (line 4), but it did not answer the search'


def test_an_inventory_is_for_a_search_only():
    result = ArgumentSpecValidator(update.MODULE_OPTIONS, **update.OPTION_RULES).validate(
        dict(hosts=['10.0.0.5'], inventory='/x.csv'))
    assert any('mutually exclusive: hosts|inventory' in m for m in result.error_messages), result.error_messages
