; Texts of the setup program and its uninstaller (the suite speaks Chinese; English for other
; systems).

; Start-menu entries: plain file names, their descriptions in the user's language.
LangString LkShortcutMain ${LANG_SIMPCHINESE} "澄望警示器"
LangString LkShortcutMain ${LANG_ENGLISH} "Lookout"
LangString LkShortcutUninstall ${LANG_SIMPCHINESE} "卸载澄望警示器"
LangString LkShortcutUninstall ${LANG_ENGLISH} "Uninstall Lookout"

LangString LkStoppingService ${LANG_SIMPCHINESE} "正在停止服务"
LangString LkStoppingService ${LANG_ENGLISH} "Stopping the service"
LangString LkServiceHung ${LANG_SIMPCHINESE} "服务进程没有退出，已结束进程："
LangString LkServiceHung ${LANG_ENGLISH} "The service's process did not end and was ended:"
LangString LkServiceInstallFailed ${LANG_SIMPCHINESE} "无法安装Lookout服务。"
LangString LkServiceInstallFailed ${LANG_ENGLISH} "The Lookout service could not be installed."
LangString LkServiceStartFailed ${LANG_SIMPCHINESE} "Lookout服务没有启动。"
LangString LkServiceStartFailed ${LANG_ENGLISH} "The Lookout service did not start."
LangString LkServiceRemoveFailed ${LANG_SIMPCHINESE} "无法删除Lookout服务。"
LangString LkServiceRemoveFailed ${LANG_ENGLISH} "The Lookout service could not be removed."

LangString LkMirageFailed ${LANG_SIMPCHINESE} "虚拟视频设备注册失败："
LangString LkMirageFailed ${LANG_ENGLISH} "The virtual video device could not be registered:"
LangString LkCameraListCopied ${LANG_SIMPCHINESE} "无法创建硬链接，64位程序使用摄像机列表的副本。"
LangString LkCameraListCopied ${LANG_ENGLISH} "No hard link possible: 64-bit programs get a copy of the camera list."

LangString LkInstallingDriver ${LANG_SIMPCHINESE} "正在安装USB摄像头过滤驱动"
LangString LkInstallingDriver ${LANG_ENGLISH} "Installing the USB camera filter driver"
LangString LkDriverFailed ${LANG_SIMPCHINESE} "USB摄像头过滤驱动没有运行"
LangString LkDriverFailed ${LANG_ENGLISH} "The USB camera filter driver is not running"
LangString LkDriverNotFor64 ${LANG_SIMPCHINESE} "本安装程序没有64位过滤驱动，跳过驱动安装。"
LangString LkDriverNotFor64 ${LANG_ENGLISH} "This setup has no 64-bit filter driver: the driver is not installed."
LangString LkDriverNotFor32 ${LANG_SIMPCHINESE} "本安装程序没有32位过滤驱动，跳过驱动安装。"
LangString LkDriverNotFor32 ${LANG_ENGLISH} "This setup has no 32-bit filter driver: the driver is not installed."

LangString LkAskDeleteSettings ${LANG_SIMPCHINESE} "是否同时删除您的设置文件（Lookout.ini、DoderadIrava.ini）？"
LangString LkAskDeleteSettings ${LANG_ENGLISH} "Also delete your settings files (Lookout.ini, DoderadIrava.ini)?"
