; Ghost stand-in for the boot test. Appends the command line that ghost.bat
; gave it (the command tail, which starts with the blank after the program's
; name) and CR LF to C:\GHOSTRAN.LOG, one line per run, and says so on the
; screen. The test reads the log back to see which runs happened. It also
; appends the BIOS tick count at its start to C:\TVXTEST\TICKS.LOG where that
; folder exists (TICKMARK.COM notes the tick count before the job's
; ghost.bat starts: the difference is what ghost.bat does before Ghost).
;
; How a run ends is the test's choice, in C:\TVXTEST\EXITCODE: its first
; byte is the exit code of an image check (a tail holding "-chkimg"), its
; second that of any other run; without the file both are 0. The code FFh
; means that the run never returns: DOS's buffers are written, the screen
; says so, and the machine waits until the test cuts it.

        bits    16
        cpu     386
        org     0x100

%include "tickmark.inc"

start:  cld
        call    note_ticks
        mov     dx, log_name
        mov     ax, 0x3D01              ; open for writing
        int     0x21
        jnc     .opened
        mov     ah, 0x3C                ; or create
        xor     cx, cx
        int     0x21
        jc      failed
.opened:
        mov     bx, ax
        mov     ax, 0x4202              ; to the end
        xor     cx, cx
        xor     dx, dx
        int     0x21
        mov     si, 0x81                ; the tail, length at 80h, then CR
        mov     cl, [0x80]
        xor     ch, ch
        mov     [tail_length], cx
        add     si, cx
        mov     word [si], 0x0A0D
        add     cx, 2
        mov     dx, 0x81
        mov     ah, 0x40
        int     0x21
        jc      failed
        mov     ah, 0x3E
        int     0x21
        mov     dx, done_text
        mov     ah, 0x09
        int     0x21

        ; The exit codes the test asked for.
        mov     dx, codes_name
        mov     ax, 0x3D00
        int     0x21
        jc      .chosen
        mov     bx, ax
        mov     dx, codes
        mov     cx, 2
        mov     ah, 0x3F
        int     0x21
        mov     ah, 0x3E
        int     0x21
.chosen:
        mov     di, check_switch
        call    in_tail
        mov     al, [codes]
        je      .code
        mov     al, [codes + 1]
.code:  cmp     al, 0xFF
        je      hang
        mov     ah, 0x4C
        int     0x21

hang:   mov     ah, 0x0D                ; DOS's buffers to the disk
        int     0x21
        mov     dx, hang_text
        mov     ah, 0x09
        int     0x21
.wait:  sti
        hlt
        jmp     .wait

failed: mov     dx, failed_text
        mov     ah, 0x09
        int     0x21
        mov     ax, 0x4C02
        int     0x21

; ZF set when the tail (before its CR LF) holds the text at DI (length byte
; first). Keeps AL.
in_tail:
        push    ax
        mov     bx, 0x81
        mov     dx, 0x81
        add     dx, [tail_length]
        xor     cx, cx
        mov     cl, [di]
        inc     di
        sub     dx, cx                  ; the last place a match can start
.try:   cmp     bx, dx
        ja      .no
        push    di
        push    cx
        mov     si, bx
        repe    cmpsb
        pop     cx
        pop     di
        je      .yes
        inc     bx
        jmp     .try
.no:    or      sp, sp                  ; ZF clear
.yes:   pop     ax
        ret

log_name:       db "C:\GHOSTRAN.LOG", 0
codes_name:     db "C:\TVXTEST\EXITCODE", 0
check_switch:   db 7, "-chkimg"
codes:          db 0, 0
tail_length:    dw 0
done_text:      db "Ghost stand-in (boot test): command line recorded in C:\GHOSTRAN.LOG", 13, 10, "$"
hang_text:      db "Ghost stand-in (boot test): this run never returns; the test cuts the machine", 13, 10, "$"
failed_text:    db "Ghost stand-in (boot test): cannot write C:\GHOSTRAN.LOG", 13, 10, "$"
