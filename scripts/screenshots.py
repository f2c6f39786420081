#!/usr/bin/python3
# Takes the screenshots of the help document and the README: the program
# from the build folder, run in a folder of its own on a ledger of sample
# entries, used through the accessibility bus as a screen reader would (every
# button pressed by its name) under a window manager. Run it through
# scripts/screenshots, which provides the desktop.
#
#   screenshots.py BUILD-BIN OUT-DIR [LOOK] [ONLY...]
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

KEY = "mxbt418260"


def sql(db, statements):
    script = "PRAGMA key='%s'; PRAGMA cipher_page_size=4096;\n" % KEY + statements
    subprocess.run(["sqlcipher", db], input=script.encode(), check=True, stdout=subprocess.DEVNULL)


def sample_ledger(db, look):
    rows = []
    items = [("餐饮", "午餐", 28.5), ("餐饮", "买菜", 63.2), ("交通", "公交地铁", 6.0), ("居住", "电费", 186.4),
             ("购物", "日用品", 45.9), ("通讯", "手机话费", 58.0), ("娱乐", "电影演出", 90.0), ("医疗", "药品", 32.8)]
    n = 0
    for month in range(1, 13):
        for day in (3, 9, 14, 21, 27):
            for k, (item, detail, amount) in enumerate(items):
                if (day + k + month) % 3:
                    continue
                n += 1
                value = round(amount * (1 + ((n * 7) % 5) / 10), 2)
                account = ["现金", "支付宝", "微信钱包", "银行卡"][n % 4]
                rows.append("('2026-%02d-%02d','支出','%s','%s',0,%s,%s,'%s','','管理员','2026-%02d-%02d 20:15:00')"
                            % (month, day, item, detail, value, -value, account, month, day))
        rows.append("('2026-%02d-05','收入','工资收入','基本工资',8600,0,8600,'银行卡','%d月工资','管理员',"
                    "'2026-%02d-05 09:00:00')" % (month, month, month))
    statements = "DELETE FROM szzb;\n"
    statements += "".join("INSERT INTO szzb (rq,lx,xm,mx,sr,zc,jsze,szr,bz,jzr,jzsj) VALUES %s;\n" % r for r in rows)
    statements += "UPDATE xtcs SET qsny='2026-01-01', jmfg=%d;\n" % look
    memos = [("2026-12-01", "日常事务", "交物业费", "设置提醒", "2026-12-09", "物业费 1 260 元，交到物业服务中心。"),
             ("2026-11-20", "生日纪念", "妈妈生日", "每年提醒", "2026-12-09", "订蛋糕，全家吃饭。"),
             ("2026-10-31", "账单缴费", "信用卡还款", "每月提醒", "2026-12-31", "招商银行信用卡，每月 31 日前。"),
             ("2026-09-02", "购物清单", "冬季衣物", "不需提醒", "2026-09-02", "羽绒服、围巾、手套。")]
    for d, t, subject, state, remind, content in memos:
        statements += ("INSERT INTO jstx (jsrq,jslxmc,zt,jsr,txfs,txqsrq,txjsrq,nr,jsczsj) VALUES "
                       "('%s','%s','%s','管理员','%s','%s','%s','%s','%s 08:30:00');\n"
                       % (d, t, subject, state, remind, remind, content, d))
    contacts = [("家人", "王小明", "小明", "男", "13800000001", "1990-05-12"),
                ("亲戚", "欧阳丽", "丽丽", "女", "13900000002", "1988-03-08"),
                ("朋友", "李强", "强子", "男", "13700000003", "1985-11-03"),
                ("同事", "张芳", "芳芳", "女", "13600000004", "1992-07-30")]
    for group, name, nick, sex, phone, birthday in contacts:
        statements += ("INSERT INTO txl (fz,lxrxm,bm,xb,sjhm,qq,yx,gsmc,jtdz,sr) VALUES "
                       "('%s','%s','%s','%s','%s','12345678','%s@example.com','青禾科技','北京市海淀区','%s');\n"
                       % (group, name, nick, sex, phone, phone, birthday))
    # budgets, and recurring entries of which three fall due at this login
    budgets = [("餐饮", "每月", 600, 0), ("交通", "每月", 60, 0), ("居住", "每月", 400, 1), ("医疗", "每年", 800, 0),
               ("购物", "每月", 150, 0), ("（全部支出）", "每月", 1500, 0)]
    for item, period, amount, rollover in budgets:
        statements += ("INSERT INTO yszb (xm,zq,je,jz,ksyf) VALUES ('%s','%s',%s,%d,'2026-09');\n"
                       % (item, period, amount, rollover))
    templates = [("支出", "居住", "房租", "银行卡", 3500, "", 0, 10, "2026-12-10", 0),
                 ("支出", "居住", "电费", "微信钱包", 200, "估计", 1, 8, "2026-12-08", 1),
                 ("支出", "通讯", "宽带网费", "支付宝", 99.5, "电信宽带", 0, 1, "2026-12-01", 1)]
    for kind, item, detail, account, amount, remark, estimated, day, first, mode in templates:
        statements += ("INSERT INTO dqsz (lx,xm,mx,szr,je,bz,gj,gz,jg,rh,ksrq,cs,ms) VALUES "
                       "('%s','%s','%s','%s',%s,'%s',%d,0,1,%d,'%s',0,%d);\n"
                       % (kind, item, detail, account, amount, remark, estimated, day, first, mode))
    sql(db, statements)


def click(acc):
    """Clicks the middle of an accessible with the mouse."""
    x, y, w, h = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"], check=True)
    time.sleep(1.0)


def find(name, roles=None, root=None):
    """The first accessible named name (blanks ignored) under root."""
    want = name.replace(" ", "")

    def walk(acc, depth):
        try:
            if not acc.getState().contains(pyatspi.STATE_SHOWING) and acc.getRole() != pyatspi.ROLE_APPLICATION:
                return None
            if acc.name.replace(" ", "").replace("\u3000", "") == want and (
                    roles is None or acc.getRole() in roles):
                return acc
        except Exception:
            return None
        if depth > 25:
            return None
        for i in range(acc.childCount):
            child = acc.getChildAtIndex(i)
            if child is not None:
                hit = walk(child, depth + 1)
                if hit is not None:
                    return hit
        return None

    roots = [root] if root is not None else [a for a in pyatspi.Registry.getDesktop(0) if a is not None]
    for r in roots:
        hit = walk(r, 0)
        if hit is not None:
            return hit
    return None


def press(name, wait=1.0):
    for _ in range(40):
        button = find(name, (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON))
        if button is not None:
            button.queryAction().doAction(0)
            time.sleep(wait)
            return
        time.sleep(0.25)
    raise SystemExit("no button named %s" % name)


def choose(combo, steps):
    """Chooses entry in the drop-down list of the group named combo (on this
    desktop a list is announced by its entry, within its named group), by
    keyboard."""
    group = find(combo)
    box = None
    if group is not None:
        for i in range(group.childCount):
            child = group.getChildAtIndex(i)
            if child is not None and child.getRole() == pyatspi.ROLE_COMBO_BOX:
                box = child
    if box is None:
        raise SystemExit("no list in %s" % combo)
    x, y, w, h = box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"], check=True)
    time.sleep(0.6)  # the list is open
    for _ in range(steps):  # entries down from the current one
        key("Down")
    key("Return")


def key(*keys):
    subprocess.run(["xdotool", "key"] + list(keys), check=True)
    time.sleep(0.6)


MAIN_WINDOW = []


def shoot(path, main=False):
    """The active window (or the main window), with its frame."""
    window = subprocess.run(["xdotool", "getactivewindow"], capture_output=True, text=True).stdout.strip()
    if main and MAIN_WINDOW:
        window = MAIN_WINDOW[0]
    # the frame's place on the screen, then that part of the screen (taking
    # the window itself waits for grabs a drop-down list may hold)
    info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True)
    if info.returncode != 0:
        raise SystemExit("no window %r: %s" % (window, info.stderr))
    info = info.stdout
    field = {}
    for line in info.splitlines():
        if ":" in line:
            k, v = line.strip().split(":", 1)
            field[k.strip()] = v.strip()
    x, y = int(field["Absolute upper-left X"]), int(field["Absolute upper-left Y"])
    w, h = int(field["Width"]), int(field["Height"])
    extents = subprocess.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"], capture_output=True, text=True).stdout
    if "=" in extents:
        left, right, top, bottom = (int(v) for v in extents.split("=", 1)[1].split(","))
        x, y, w, h = x - left, y - top, w + left + right, h + top + bottom
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", path],
                   check=True)
    print("wrote", path)


def main():
    binary, out = sys.argv[1], sys.argv[2]
    look = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    only = set(sys.argv[4:])
    os.makedirs(out, exist_ok=True)
    home = tempfile.mkdtemp(prefix="doz-shots-")
    os.environ["HOME"] = home  # the window's place and the grids' layouts start afresh
    folder = os.path.join(home, "doz")
    os.makedirs(folder)
    for name in ("doz", "doz-jetread"):
        shutil.copy2(os.path.join(binary, name), folder)
    shutil.copytree(os.path.join(binary, "doz帮助文档"), os.path.join(folder, "doz帮助文档"))
    db = os.path.join(folder, "Data.qhd")
    subprocess.run([os.path.join(binary, "doz-makedb"), db], check=True)
    sample_ledger(db, look)
    # a few automatic backups for the settings page to list
    os.makedirs(os.path.join(folder, "backups"), mode=0o700)
    for when in ("2026-12-08 213012", "2026-12-07 200544", "2026-11-30 191503"):
        shutil.copy2(db, os.path.join(folder, "backups", "自动备份 %s.qhd" % when))
    program = subprocess.Popen([os.path.join(folder, "doz")], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(3)

        def wanted(name):
            return not only or name in only

        if wanted("login"):
            shoot(os.path.join(out, "login.png"))
        key("Return")  # 管理员, no password
        time.sleep(1.5)
        # the due memos are announced and opened one by one after the login,
        # then the recurring entries that fell due come in one list
        deadline = time.time() + 60
        editor_shot = False
        while time.time() < deadline:
            if find("以后再说", (pyatspi.ROLE_PUSH_BUTTON,)) is not None:
                time.sleep(0.5)
                if wanted("recurring"):
                    shoot(os.path.join(out, "recurring.png"))
                key("Escape")
                break
            if find("知道了", (pyatspi.ROLE_PUSH_BUTTON,)) is not None:
                if wanted("memo-editor") and not editor_shot:  # the first editor, before any question
                    shoot(os.path.join(out, "memo-editor.png"))
                    editor_shot = True
                key("Escape")
            elif find("OK", (pyatspi.ROLE_PUSH_BUTTON,)) is not None \
                    or find("确定", (pyatspi.ROLE_PUSH_BUTTON,)) is not None:
                key("Escape")
            else:
                time.sleep(0.5)
        time.sleep(1.0)
        MAIN_WINDOW.append(subprocess.run(["xdotool", "getactivewindow"], capture_output=True,
                                          text=True).stdout.strip())
        if wanted("main-window"):
            shoot(os.path.join(out, "main-window.png"), True)
        press("收支帐本")
        if wanted("ledger"):
            shoot(os.path.join(out, "ledger.png"), True)
        if wanted("entry"):
            press("增加")
            shoot(os.path.join(out, "entry.png"))
            key("Escape")
        if wanted("filter"):
            press("条件筛选")
            shoot(os.path.join(out, "filter.png"))
            key("Escape")
        bill = os.environ.get("DOZ_BILL_FILE", "")
        if wanted("bill-import") and os.path.isfile(bill):
            press("导入账单", 2.0)
            # the file dialog: its name box has the focus
            subprocess.run(["xdotool", "type", "--delay", "15", bill], check=True)
            time.sleep(1.0)
            key("Return")
            for _ in range(40):  # the preview is read
                if find("撤销上次导入", (pyatspi.ROLE_PUSH_BUTTON,)) is not None:
                    break
                time.sleep(0.25)
            time.sleep(1.0)
            shoot(os.path.join(out, "bill-import.png"))
            key("Escape")
        press("分类统计")
        press("统 计")
        if wanted("summary"):
            shoot(os.path.join(out, "summary.png"), True)
        if wanted("budgets"):
            click(find("预算执行", (pyatspi.ROLE_PAGE_TAB,)))
            shoot(os.path.join(out, "budgets.png"), True)
            click(find("分类汇总", (pyatspi.ROLE_PAGE_TAB,)))
        press("对比分析")
        if wanted("comparison"):
            choose("汇总时段", 1)  # 按月汇总
            press("统 计")
            shoot(os.path.join(out, "comparison.png"), True)
        press("记事提醒")
        if wanted("memos"):
            shoot(os.path.join(out, "memos.png"), True)
        press("通 讯 录")
        if wanted("contacts"):
            shoot(os.path.join(out, "contacts.png"), True)
        if wanted("contact-editor"):
            press("修改")
            shoot(os.path.join(out, "contact-editor.png"))
            key("Escape")
        press("系统设置")
        if wanted("settings"):
            shoot(os.path.join(out, "settings.png"), True)
    finally:
        program.kill()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main()
